// "Synchronize Audio and Video": the widgets of the synchronisation. The run itself and its
// arithmetic are CSynchronizeModel's, the previews and the sound are in SyncPreprocessing.h; this
// window shows them and forwards the buttons.
#pragma once

#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/SyncPreprocessing.h"
#include "ui/SynchronizeModel.h"
#include "ui/WndLanguageManager.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace trov {

class CTROVManager;
class CUserPrompt;
class CSoundOutput;
class CWindowControl;

// The music of the run as a waveform, a marker at each recorded press, the run's time as a line.
class CSyncWaveformWidget : public QWidget {
    Q_OBJECT
public:
    explicit CSyncWaveformWidget(QWidget* parent = nullptr);
    // values: one per column of the range fromMs..toMs; presses and now in run time.
    void SetView(std::vector<uint8_t> values, int64_t fromMs, int64_t toMs, std::vector<int64_t> presses,
                 int64_t nowMs, bool running);
    QSize sizeHint() const override { return {560, 72}; }
    int MarkerCount() const { return int(m_presses.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<uint8_t> m_values;
    std::vector<int64_t> m_presses;
    int64_t m_from = 0, m_to = 1, m_now = 0;
    bool m_running = false;
};

class CSynchronizeDlg : public QDialog {
    Q_OBJECT
public:
    // output: where the music goes (the program's sound output; tests give others).
    CSynchronizeDlg(CTROVManager& manager, const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                    CSoundOutput& output, QWidget* parent = nullptr);
    ~CSynchronizeDlg() override;

    // The buttons' commands.
    void Preprocess();
    void StartOrStop();
    void NextPicture();
    // "Apply synchronisation": asks, then writes the frame counts and closes with OK.
    void accept() override;
    void reject() override;

    // For the tests: the run (null before the first start), the controls, the clock the run is
    // timed by (the monotonic clock unless replaced).
    CSynchronizeModel* Model() const { return m_model.get(); }
    QPushButton* Button(const std::string& key) const;
    QLineEdit* StartBox() const { return m_startBox; }
    QLineEdit* EndBox() const { return m_endBox; }
    QLabel* StatusLabel() const { return m_status; }
    QLabel* CurrentTimeLabel() const { return m_currentTime; }
    QLabel* PictureTimeLabel() const { return m_pictureTime; }
    QLabel* PreviewLabel(int i) const { return m_previews[size_t(i)]; }
    QLabel* MotionLabel(int i) const { return m_motion[size_t(i)]; }
    CSyncWaveformWidget* Waveform() const { return m_waveform; }
    bool IsPreprocessing() const { return m_preprocessing; }
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }
    // Shows the run's state now (the display timer does it every 20 ms).
    void Refresh();

private:
    void BuildControls();
    void RegisterTexts(const CWndLanguageManager& mainLanguage);
    QString Text(const char* key) const;
    void SetIdleControls(bool idle);
    void StartRun();
    void StopRun();
    void RunEnded();
    void ShowPreviews();
    void ClearPreviews();
    void PollPreprocessing();
    void FinishPreprocessing();
    void ShowWaveform();

    CTROVManager& m_manager;
    CUserPrompt& m_prompt;
    CSoundOutput& m_output;
    CWndLanguageManager m_language;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::map<std::string, QWidget*> m_widgets;

    std::vector<SSyncEntry> m_entries;
    std::unique_ptr<CSyncAudioPlayer> m_player;
    std::unique_ptr<CSynchronizeModel> m_model;
    CSyncTimer m_timer;
    std::function<int64_t()> m_clock;
    QTimer m_display;
    int m_shownIndex = -2;

    std::unique_ptr<CSyncPreprocessor> m_job;
    std::thread m_worker;
    std::atomic<bool> m_jobDone{false};
    bool m_preprocessing = false;
    QTimer m_jobPoll;

    QLineEdit* m_startBox = nullptr;
    QLineEdit* m_endBox = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_currentTime = nullptr;
    QLabel* m_pictureTime = nullptr;
    QProgressBar* m_progress = nullptr;
    std::vector<QLabel*> m_previews;
    std::vector<QLabel*> m_motion;
    CSyncWaveformWidget* m_waveform = nullptr;
};

}  // namespace trov
