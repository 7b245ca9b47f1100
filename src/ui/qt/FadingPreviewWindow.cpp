// The fading preview window and the preview-creation commands (see the header).
#include "ui/qt/FadingPreviewWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenuBar>
#include <QVBoxLayout>
#include <thread>

#include "creation/TROVManager.h"
#include "ui/FadingPreviewCommand.h"
#include "ui/FadingPreviewMaker.h"
#include "ui/qt/CodecDialogs.h"
#include "ui/qt/MainView.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/PreviewWidget.h"

namespace trov {

CFadingPreviewWindow::CFadingPreviewWindow(const std::string& programDirectory, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_player(programDirectory) {
    setObjectName(QStringLiteral("FadingEffect"));
    setWindowTitle(QStringLiteral("Fading Effect"));
    m_picture = new CPreviewWidget;
    m_picture->SetFrameSize(fadingpreview::kWidth, fadingpreview::kHeight);
    m_picture->setMinimumSize(fadingpreview::kWidth, fadingpreview::kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_picture);
    resize(2 * fadingpreview::kWidth + 4, 2 * fadingpreview::kHeight + 4);
    connect(&m_timer, &QTimer::timeout, this, &CFadingPreviewWindow::ShowNextFrame);
}

CFadingPreviewWindow::~CFadingPreviewWindow() = default;

void CFadingPreviewWindow::SetEffect(const std::string& effectName) {
    m_effect = effectName;
    if (isVisible()) {
        m_player.SetEffect(effectName);
        ShowNextFrame();
    }
}

void CFadingPreviewWindow::Reload() {
    // A different name first makes the player open the file again.
    m_player.SetEffect({});
    if (isVisible()) SetEffect(m_effect);
}

void CFadingPreviewWindow::Toggle() {
    setVisible(!isVisible());
}

void CFadingPreviewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_player.SetEffect(m_effect);
    ShowNextFrame();
}

void CFadingPreviewWindow::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

void CFadingPreviewWindow::ShowNextFrame() {
    const CPicture* frame = m_player.NextFrame();
    if (frame) m_picture->SetPicture(frame->Clone());
    ++m_shown;
    // A still picture needs no timer; a movie runs at its own rate.
    if (m_player.HasPreview())
        m_timer.start(m_player.FrameIntervalMs());
    else
        m_timer.stop();
}

bool CreateFadingPreviews(CMainWindow& window, CTROVManager& manager, CUserPrompt& prompt,
                          CMainViewChooser& chooser, bool ownPictures) {
    CMainViewCommands& commands = window.View().Commands();
    if (commands.IsCreationRunning()) return false;
    SetVideoChooserOutputPath(FadingPreviewPath(manager.GetProgramDirectory(), "preview"));
    CFadingPreviewCommand command(manager, prompt, chooser);
    if (!command.Prepare(ownPictures)) return false;

    // The effects are busy on the worker: nothing else may start meanwhile.
    const QString title = window.windowTitle();
    window.setWindowTitle(QString::fromUtf8(fadingpreview::kCaption));
    commands.SetCreationRunning(true);
    window.View().setEnabled(false);
    window.menuBar()->setEnabled(false);
    QEventLoop loop;
    // The quit is queued, so it is handled inside exec() however fast the worker is.
    std::thread worker([&] {
        command.Execute();
        PostToGuiThread([&loop] { loop.quit(); });
    });
    loop.exec();
    worker.join();
    window.menuBar()->setEnabled(true);
    window.View().setEnabled(true);
    commands.SetCreationRunning(false);
    window.setWindowTitle(title);
    command.Finish();
    return command.GetResult().Ok();
}

}  // namespace trov
