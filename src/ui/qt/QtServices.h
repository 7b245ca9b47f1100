// The window toolkit's side of the core's front-end services: message boxes, file / folder /
// colour / font dialogs and the clipboard, the GUI-call hand-off, and the manager's view.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "creation/CreationThreads.h"
#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"

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

// What the manager shows: status text, progress bars, time boxes. Deliveries from other threads
// are queued to the GUI thread; on the GUI thread they are shown at once.
class CQtManagerView : public QObject, public CTROVManagerView {
    Q_OBJECT
public:
    void OnStatusText(const std::string& text) override;
    void OnProgress(bool complete, int position, const std::string& percentText) override;
    void OnTimeText(bool remaining, const std::string& text) override;

signals:
    void statusText(const QString& text);
    void progress(bool complete, int position, const QString& percentText);
    void timeText(bool remaining, const QString& text);
};

}  // namespace trov
