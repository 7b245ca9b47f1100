// "Start Creation" from the window: the check and the creation run on a thread of their own
// through the manager's Start Creation command, while the window stays responsive. Calls the
// creation hands to the GUI thread (the preparation with the creation settings dialog, the video
// file operations) run in the Qt event loop and the worker waits for them; written frames reach
// the preview area at most once per display refresh; the button cancels with the question.
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "creation/Creation.h"
#include "ui/CreationSettingsModel.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/QtServices.h"

class QPushButton;

namespace trov {

class CMainWindow;
class CPreviewWidget;
class CTROVManager;
class CUserPrompt;
class CMainViewChooser;

// Frames of the creation thread for the preview area. A frame is taken only when the previous
// one has been shown and a display refresh has passed; it is fitted to the area and converted on
// the creation thread (a fraction of the copy it replaces), so the GUI thread only swaps it in and
// paints, and the creation never waits for the window.
class CPreviewFrameSink : public QObject, public CPreviewSink {
    Q_OBJECT
public:
    explicit CPreviewFrameSink(CPreviewWidget* target);
    void ShowFrame(const CPicture& frame) override;
    void ClearPreview() override {}
    // Takes the area's size for the frames to come (GUI thread; also done after every frame).
    void TakeTargetSize();
    // Frames shown / frames offered (tests, measurements).
    int ShownFrames() const { return m_shown.load(); }
    int OfferedFrames() const { return m_offered.load(); }

private:
    void TakeFrame();

    CPreviewWidget* m_target;
    std::mutex m_mutex;
    SPreviewFrame m_frame;
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_shown{0};
    std::atomic<int> m_offered{0};
    std::atomic<int> m_maxWidth{640};
    std::atomic<int> m_maxHeight{360};
    int m_refreshMs = 16;
};

class CCreationRunner : public QObject {
    Q_OBJECT
public:
    // chooser: the file dialog of "Browse"; codecDirectory: the codec settings files.
    CCreationRunner(CTROVManager& manager, CMainWindow& window, CUserPrompt& prompt,
                    CMainViewChooser& chooser, std::string codecDirectory);
    // A running creation is cancelled and waited for.
    ~CCreationRunner() override;

    // The button and the menu command: starts a creation, or asks whether to cancel the running one.
    void StartOrCancel();
    // A batch run: the dialog loads codecFile and confirms itself; when the creation ends without
    // being cancelled the window closes without the exit question.
    void StartBatch(const std::string& codecFile);
    // The manager's view: what it still holds from the creation's threads is shown before the end
    // is reported.
    void SetManagerView(CQtManagerView* view) { m_view = view; }

    bool IsRunning() const { return m_running; }
    // The last run's outcome as a batch exit code (see CreationExitCode); -1 before any run.
    int ExitCode() const { return m_exitCode; }
    CPreviewFrameSink& PreviewSink() { return *m_preview; }
    // The status bar's button that opens the written movie with the desktop's player.
    QPushButton* OpenMovieButton() const { return m_openMovie; }
    // How the movie is opened (QDesktopServices by default; tests replace it).
    void SetMovieOpener(std::function<bool(const QString& path)> opener) { m_opener = std::move(opener); }
    // The creation settings dialog while it is open (tests); null otherwise.
    class CCreationSettingsDialog* OpenDialog() const {
        return m_dialog;
    }

signals:
    void creationFinished(int exitCode);

private:
    void Start();
    // A text of the creation settings section in the window's language.
    QString Text(const char* key) const;
    bool RunSettingsStep(CCreation& creation, int& first, int& last);
    void Finished(bool written);
    void SetControlsRunning(bool running);
    // The complete progress on the task bar entry, where the desktop offers one.
    void ShowTaskBarProgress();

    CTROVManager& m_manager;
    CMainWindow& m_window;
    CUserPrompt& m_prompt;
    CMainViewChooser& m_chooser;
    std::string m_codecDirectory;
    std::string m_batchCodecFile;
    bool m_batch = false;
    CQtGuiCallHandoff m_handoff;
    CQtManagerView* m_view = nullptr;
    std::unique_ptr<CPreviewFrameSink> m_preview;
    std::thread m_thread;
    std::atomic<bool> m_threadDone{true};
    bool m_running = false;
    SCreationRunFacts m_facts;
    int m_exitCode = -1;
    QString m_startActionText;
    QPushButton* m_openMovie = nullptr;
    QString m_moviePath;
    std::function<bool(const QString& path)> m_opener;
    QTimer m_taskBarTimer;
    class CCreationSettingsDialog* m_dialog = nullptr;
};

}  // namespace trov
