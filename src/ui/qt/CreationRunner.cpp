// "Start Creation" from the window (see the header).
#include "ui/qt/CreationRunner.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>
#include <cmath>
#ifdef TROV_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"
#include "ui/qt/CodecDialogs.h"
#include "ui/qt/CreationSettingsDialog.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PreviewWidget.h"

namespace trov {

// ---- preview -------------------------------------------------------------------------------------

CPreviewFrameSink::CPreviewFrameSink(CPreviewWidget* target) : m_target(target) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        double rate = screen->refreshRate();
        if (rate >= 10 && rate <= 500) m_refreshMs = static_cast<int>(std::lround(1000.0 / rate));
    }
    TakeTargetSize();
}

void CPreviewFrameSink::TakeTargetSize() {
    if (!m_target) return;
    const QSize size = m_target->PaintSize();
    m_maxWidth = std::max(1, size.width());
    m_maxHeight = std::max(1, size.height());
}

void CPreviewFrameSink::ShowFrame(const CPicture& frame) {
    ++m_offered;
    // The window has not shown the last frame yet (or a refresh has not passed): this one is skipped.
    if (m_busy.exchange(true)) return;
    SPreviewFrame prepared = PreparePreviewFrame(frame, m_maxWidth.load(), m_maxHeight.load());
    {
        std::lock_guard lock(m_mutex);
        m_frame = std::move(prepared);
    }
    QMetaObject::invokeMethod(
        this, [this] { TakeFrame(); }, Qt::QueuedConnection);
}

void CPreviewFrameSink::TakeFrame() {
    SPreviewFrame frame;
    {
        std::lock_guard lock(m_mutex);
        frame = std::move(m_frame);
        m_frame = SPreviewFrame();
    }
    if (frame.picture && m_target) {
        m_target->SetFrame(std::move(frame));
        ++m_shown;
    }
    TakeTargetSize();
    QTimer::singleShot(m_refreshMs, this, [this] { m_busy = false; });
}

// ---- the run -------------------------------------------------------------------------------------

CCreationRunner::CCreationRunner(CTROVManager& manager, CMainWindow& window, CUserPrompt& prompt,
                                 CMainViewChooser& chooser, std::string codecDirectory)
    : m_manager(manager),
      m_window(window),
      m_prompt(prompt),
      m_chooser(chooser),
      m_codecDirectory(std::move(codecDirectory)),
      m_preview(std::make_unique<CPreviewFrameSink>(window.View().Preview())) {
    InstallCodecChoosers(&window, &window.Language());
    window.View().SetStartCreationHandler([this] { StartOrCancel(); });
    if (QAction* start = window.Action("StartCreation")) {
        start->setEnabled(true);
        connect(start, &QAction::triggered, this, [this] { StartOrCancel(); });
    }
    m_opener = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    m_openMovie = new QPushButton(Text("OpenMovie"));
    m_openMovie->setObjectName(QStringLiteral("OpenMovie"));
    m_openMovie->setFlat(true);
    m_openMovie->hide();
    window.statusBar()->addPermanentWidget(m_openMovie);
    connect(m_openMovie, &QPushButton::clicked, this, [this] {
        if (!m_moviePath.isEmpty() && m_opener && !m_opener(m_moviePath))
            m_window.ShowStatus(Text("NoMoviePlayer") + QLatin1Char(' ') + m_moviePath);
    });
    m_taskBarTimer.setInterval(500);
    connect(&m_taskBarTimer, &QTimer::timeout, this, [this] { ShowTaskBarProgress(); });
}

CCreationRunner::~CCreationRunner() {
    if (m_thread.joinable()) {
        m_manager.CancelCreation();
        // The creation may be waiting for a call on this thread: keep handling them until it ends.
        while (!m_threadDone.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        m_thread.join();
    }
    CCreation& creation = m_manager.GetCreation();
    creation.Environment().handoff = nullptr;
    creation.Environment().preview = nullptr;
    m_window.View().SetStartCreationHandler({});
    UninstallCodecChoosers();
}

QString CCreationRunner::Text(const char* key) const {
    return CodecDialogText(&m_window.Language(), key);
}

void CCreationRunner::StartOrCancel() {
    if (!m_running) {
        Start();
        return;
    }
    if (m_prompt.Ask(viewtext::kCancelCreationQuestion, "Warning!", PromptButtons::YesNoCancel,
                     PromptAnswer::No) == PromptAnswer::Yes)
        m_manager.CancelCreation();
}

void CCreationRunner::StartBatch(const std::string& codecFile) {
    m_batch = true;
    m_batchCodecFile = codecFile;
    m_window.SetBatchMode(true);
    Start();
}

void CCreationRunner::Start() {
    if (m_running) return;
    m_facts = SCreationRunFacts();
    if (m_manager.GetObjectCount() == 0) {
        // Nothing to create: nothing happens (a batch run ends with its code).
        m_facts.hadEntries = false;
        m_exitCode = CreationExitCode(m_facts);
        emit creationFinished(m_exitCode);
        if (m_batch) m_window.CloseWithoutQuestion();
        return;
    }
    m_openMovie->hide();
    CCreation& creation = m_manager.GetCreation();
    creation.Environment().handoff = &m_handoff;
    creation.Environment().preview = m_preview.get();
    m_preview->TakeTargetSize();
    SetControlsRunning(true);
    m_threadDone = false;
    m_thread = std::thread([this] {
        bool written = m_manager.StartCreation(
            [this](CCreation& c, int& first, int& last) { return RunSettingsStep(c, first, last); });
        m_threadDone = true;
        QMetaObject::invokeMethod(
            this, [this, written] { Finished(written); }, Qt::QueuedConnection);
    });
}

bool CCreationRunner::RunSettingsStep(CCreation& creation, int& first, int& last) {
    m_facts.checkPassed = true;
    // An unattended run must never wait for an answer: its messages take the process's prompt.
    CUserPrompt& prompt = m_batch ? GetUserPrompt() : m_prompt;
    CCreationSettingsDialog dialog(m_manager, creation, m_window.Language(), prompt, m_chooser, first, last,
                                   m_manager.GetObjectCount() - 1, m_codecDirectory,
                                   m_batch ? m_batchCodecFile : std::string(), &m_window);
    m_dialog = &dialog;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_dialog = nullptr;
    if (!accepted) return false;
    first = dialog.StartPosition();
    last = dialog.EndPosition();
    m_facts.dialogConfirmed = true;
    return true;
}

void CCreationRunner::Finished(bool written) {
    if (m_thread.joinable()) m_thread.join();
    if (m_view) m_view->Flush();
    m_window.View().Commands().ClearCurrentProgress();
    m_facts.written = written;
    m_facts.cancelled = m_manager.IsCreationCanceled();
    m_exitCode = CreationExitCode(m_facts);
    SetControlsRunning(false);
    if (written) {
        m_moviePath = QString::fromStdString(m_manager.GetCreation().GetOutputPath());
        m_openMovie->setText(Text("OpenMovie"));
        m_openMovie->setToolTip(m_moviePath);
        m_openMovie->show();
    }
    emit creationFinished(m_exitCode);
    // A batch run ends with its creation unless the user cancelled it.
    if (m_batch && !m_facts.cancelled) {
        m_batchCodecFile.clear();
        m_window.CloseWithoutQuestion();
    }
}

void CCreationRunner::ShowTaskBarProgress() {
#ifdef TROV_HAVE_QTDBUS
    // The launcher entry protocol of several Linux docks and task bars; without a session bus or
    // a desktop that listens nothing happens.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage update = QDBusMessage::createSignal(QStringLiteral("/com/trovamatic/trovgui"),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), m_manager.GetProgressPosition(true) / 10000.0);
    properties.insert(QStringLiteral("progress-visible"), m_running);
    update << QStringLiteral("application://%1.desktop").arg(QGuiApplication::desktopFileName())
           << properties;
    bus.send(update);
#endif
}

void CCreationRunner::SetControlsRunning(bool running) {
    m_running = running;
    if (running)
        m_taskBarTimer.start();
    else
        m_taskBarTimer.stop();
    ShowTaskBarProgress();
    const QString cancelText = Text("CancelCreation");
    m_window.View().SetCreationRunning(running, cancelText);
    QAction* start = m_window.Action("StartCreation");
    // Every menu but the one holding Start Creation (which cancels while a creation runs).
    for (QAction* a : m_window.menuBar()->actions())
        if (a != start && !(a->menu() && a->menu()->actions().contains(start))) a->setEnabled(!running);
    if (!start) return;
    if (running) {
        m_startActionText = start->text();
        start->setText(cancelText);
    } else if (!m_startActionText.isEmpty()) {
        start->setText(m_startActionText);
    }
}

}  // namespace trov
