// The window toolkit's side of the core's front-end services: message boxes, file / folder /
// colour / font dialogs and the clipboard, the GUI-call hand-off, and the manager's view.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "creation/CreationThreads.h"
#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"
#include "ui/ViewDeliveries.h"

class QFont;
class QWidget;

namespace trov {

// Runs fn on the GUI thread and waits for it (directly when already there).
void RunOnGuiThread(const std::function<void()>& fn);
// Queues fn for the GUI thread's event loop without waiting.
void PostToGuiThread(std::function<void()> fn);

// Questions as Qt message boxes. A worker thread's question is shown by the GUI thread while the
// worker waits.
class CQtPrompt : public CUserPrompt {
public:
    explicit CQtPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;

private:
    QPointer<QWidget> m_parent;
};

// Calls that must run on the GUI thread, handed over from the creation's threads.
class CQtGuiCallHandoff : public CGuiCallHandoff {
public:
    void Call(const std::function<void()>& fn) override { RunOnGuiThread(fn); }
};

// Qt's dialogs and the clipboard.
class CQtChooser : public CMainViewChooser {
public:
    explicit CQtChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    std::vector<std::string> ChooseFilesToOpen(const std::string& filter, bool multiple) override;
    std::string ChooseFileToSave(const std::string& filter, const std::string& defaultSuffix) override;
    std::string ChooseFolder(const std::string& title) override;
    bool ChooseColour(Colour& colour) override;
    bool ChooseFont(LogFont& font) override;
    std::string GetClipboardText() override;
    void SetClipboardText(const std::string& text) override;

private:
    QPointer<QWidget> m_parent;
    QString m_lastFolder;
};

// A logical font as a Qt font and back (face, pixel height, weight, italic, underline, strike-out).
QFont FontFromLogFont(const LogFont& font);
LogFont LogFontFromFont(const QFont& qfont, const LogFont& base);

// What the manager shows: status text, progress bars, time boxes. On the GUI thread a value is
// shown at once. From other threads only the newest value of each box is kept, and they are shown
// together at most once per interval, so a creation reporting every frame cannot flood the loop.
class CQtManagerView : public QObject, public CTROVManagerView {
    Q_OBJECT
public:
    static constexpr int kDefaultIntervalMs = 30;
    explicit CQtManagerView(int intervalMs = kDefaultIntervalMs);
    void OnStatusText(const std::string& text) override;
    void OnProgress(bool complete, int position, const std::string& percentText) override;
    void OnTimeText(bool remaining, const std::string& text) override;

    // Shows what other threads delivered and is not shown yet, now (GUI thread).
    void Flush();
    // How many hand-overs from other threads were shown (tests, measurements).
    int Flushes() const { return m_flushes; }

signals:
    void statusText(const QString& text);
    void progress(bool complete, int position, const QString& percentText);
    void timeText(bool remaining, const QString& text);

private:
    bool OnGuiThread() const;
    // Called once per hand-over from the delivering thread: the GUI thread shows the values when
    // the interval since the last showing has passed.
    void Arm();

    CPendingViewUpdates m_pending;
    QTimer m_timer;
    QElapsedTimer m_sinceFlush;
    int m_intervalMs;
    int m_flushes = 0;
};

}  // namespace trov
