// "Picture Move": the editor's widgets. The picture window draws what CPictureMoveEditorModel
// holds and hands it the mouse; every button calls the model.
#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/PictureMoveEditorModel.h"
#include "ui/SettingsWndCommunicator.h"
#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTreeWidget;

namespace trov {

class CMainViewChooser;
class CUserPrompt;

// The picture with the current rectangle, both positions and the flight points drawn on it.
class CPictureMoveView : public QWidget {
    Q_OBJECT
public:
    CPictureMoveView(CPictureMoveEditorModel& model, const CPicture& picture, QWidget* parent = nullptr);
    // A left click adds a point instead of drawing a rectangle.
    void SetAddPoints(bool on) { m_addPoints = on; }
    // The window point of a picture pixel (for tests and the mouse).
    QPointF WindowPoint(int x, int y) const;
    QSize sizeHint() const override { return {640, 480}; }

signals:
    void rectangleChanged();
    void pointsChanged();
    void deletePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::pair<int, int> PicturePoint(const QPointF& at) const;
    void DrawRect(class QPainter& painter, const SViewMapping& m, const PixelRect& r, const QColor& colour,
                  Qt::PenStyle style) const;
    void DrawPoints(class QPainter& painter, const SViewMapping& m) const;

    CPictureMoveEditorModel& m_model;
    QImage m_image;
    bool m_addPoints = false;
};

class CPictureMoveEditor : public QDialog {
    Q_OBJECT
public:
    // object: the entry being edited (a working copy); picture: the editor picture
    // (PictureMoveEditorPicture); projectSettings: the quality values shown.
    CPictureMoveEditor(const CProjectObject& object, std::unique_ptr<CDibPicture> picture,
                       const CSettingsStore& projectSettings, const CWndLanguageManager& mainLanguage,
                       CUserPrompt& prompt, CMainViewChooser& chooser, QWidget* parent = nullptr);
    ~CPictureMoveEditor() override;

    CPictureMoveEditorModel& Model() { return m_model; }
    // After OK: the entry with the edited positions and flight points.
    const CProjectObject& Edited() const { return m_edited; }
    CPictureMoveView* View() const { return m_view; }
    QLineEdit* Box(const std::string& key) const;
    QPushButton* Button(const std::string& key) const;
    QSlider* FrameSlider() const { return m_slider; }
    QTreeWidget* PointList() const { return m_list; }
    QCheckBox* AddPointBox() const { return m_addPoint; }
    QLabel* StatusLabel() const { return m_status; }

    // The buttons' commands.
    void UpdateValues();
    void ChangePointColour();
    void ImportPoints();
    void ExportPoints();
    void SavePicture();
    void ShowHelp();
    void DeleteCurrentPoint();
    void AcceptEditor();
    // Shows the model's state in every control.
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildRectangleGroup();
    QWidget* BuildPositionGroup();
    QWidget* BuildFrameRow();
    QWidget* BuildPointGroup();
    QWidget* BuildQualityGroup();
    QPushButton* MakeButton(const char* key);
    QLabel* MakeLabel(const char* key);
    QLineEdit* MakeBox(const char* name);
    void Bind();
    void Connect();
    void FillPoints();
    void RadiusEdited();
    void ShowStatus(const std::string& text);

    CPictureMoveEditorModel m_model;
    std::unique_ptr<CDibPicture> m_picture;
    CProjectObject m_edited;
    CUserPrompt& m_prompt;
    CMainViewChooser& m_chooser;
    CWndLanguageManager m_language;
    CSettingsWndCommunicator m_binder;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::unique_ptr<CQtPictureList> m_listControl;
    std::map<std::string, QWidget*> m_widgets;  // by language key or box name
    bool m_filling = false;

    CPictureMoveView* m_view = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_frameText = nullptr;
    QLabel* m_pos1Text = nullptr;
    QLabel* m_pos2Text = nullptr;
    QCheckBox* m_addPoint = nullptr;
    QLabel* m_colourSwatch = nullptr;
    QLineEdit* m_radius = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
};

}  // namespace trov
