// The small "Fading Effect" window (F2): loops the preview movie of the effect chosen in the main
// view's "Fade-Effect:" list, or shows the grey "Preview was not created!" picture; and the two
// "Create Realtime Fading Effects Preview" commands, whose files it plays.
#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "ui/FadingPreviewPlayer.h"

namespace trov {

class CPreviewWidget;
class CMainWindow;
class CTROVManager;
class CUserPrompt;
class CMainViewChooser;

class CFadingPreviewWindow : public QWidget {
    Q_OBJECT
public:
    CFadingPreviewWindow(const std::string& programDirectory, QWidget* parent = nullptr);
    ~CFadingPreviewWindow() override;

    // Plays this effect's preview from its first frame (while the window is shown).
    void SetEffect(const std::string& effectName);
    // After new files were written: the current effect's file is opened again.
    void Reload();
    // Shows or hides the window (F2).
    void Toggle();
    CFadingPreviewPlayer& Player() { return m_player; }
    CPreviewWidget* Picture() const { return m_picture; }
    // Frames shown so far (tests).
    int FramesShown() const { return m_shown; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowNextFrame();

    CFadingPreviewPlayer m_player;
    CPreviewWidget* m_picture = nullptr;
    QTimer m_timer;
    std::string m_effect;
    int m_shown = 0;
};

// "Create Realtime Fading Effects Preview" (ownPictures false) and "... with own pictures": the
// questions and choices on the GUI thread, the files on a worker while the window stays
// responsive (its controls locked, the caption "Create Fading-Effects-Preview", the complete
// progress bar counting effects), then the end message. True when every file was written.
bool CreateFadingPreviews(CMainWindow& window, CTROVManager& manager, CUserPrompt& prompt,
                          CMainViewChooser& chooser, bool ownPictures);

}  // namespace trov
