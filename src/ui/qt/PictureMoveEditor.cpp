// The picture-move editor's widgets (see the header).
#include "ui/qt/PictureMoveEditor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "infra/UserPrompt.h"
#include "ui/MainViewCommands.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/SpecialPictureDialog.h"

namespace trov {

namespace {
constexpr const char* kSection = "PICTURE_MOVE_DLG";

QColor ToQColor(Colour c) {
    return QColor(ColourRed(c), ColourGreen(c), ColourBlue(c));
}
}  // namespace

// ---- the picture window ----

CPictureMoveView::CPictureMoveView(CPictureMoveEditorModel& model, const CPicture& picture, QWidget* parent)
    : QWidget(parent), m_model(model), m_image(ImageFromPicture(picture)) {
    setObjectName(QStringLiteral("PictureMoveView"));
    setMinimumSize(360, 270);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(false);
}

QPointF CPictureMoveView::WindowPoint(int x, int y) const {
    auto [wx, wy] = MapView(m_model.View(), width(), height()).ToWindow(x + 0.5, y + 0.5);
    return {wx, wy};
}

std::pair<int, int> CPictureMoveView::PicturePoint(const QPointF& at) const {
    return MapView(m_model.View(), width(), height()).ToPicture(at.x(), at.y());
}

void CPictureMoveView::DrawRect(QPainter& painter, const SViewMapping& m, const PixelRect& r,
                                const QColor& colour, Qt::PenStyle style) const {
    if (r.width <= 0 || r.height <= 0) return;
    auto [x0, y0] = m.ToWindow(r.x, r.y);
    auto [x1, y1] = m.ToWindow(r.x + r.width + 1, r.y + r.height + 1);
    QPen pen(colour, 2, style);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
}

void CPictureMoveView::DrawPoints(QPainter& painter, const SViewMapping& m) const {
    const auto& points = m_model.Points();
    if (points.empty()) return;
    QColor colour = ToQColor(m_model.PointColour());
    // The route as the movie draws it: a line of twice the radius.
    QPainterPath path;
    for (size_t i = 0; i < points.size(); ++i) {
        auto [wx, wy] = m.ToWindow(points[i].first + 0.5, points[i].second + 0.5);
        if (i == 0)
            path.moveTo(wx, wy);
        else
            path.lineTo(wx, wy);
    }
    QColor line = colour;
    line.setAlpha(170);
    painter.setPen(QPen(line, std::max(1.0, 2.0 * m_model.Radius() * m.scale), Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    for (size_t i = 0; i < points.size(); ++i) {
        auto [wx, wy] = m.ToWindow(points[i].first + 0.5, points[i].second + 0.5);
        const bool current = static_cast<int>(i) == m_model.CurrentPoint();
        painter.setPen(QPen(current ? QColor(255, 230, 0) : QColor(Qt::white), current ? 3 : 1.5));
        painter.setBrush(colour);
        const double r = std::max(4.0, m_model.Radius() * m.scale);
        painter.drawEllipse(QPointF(wx, wy), r, r);
    }
}

void CPictureMoveView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(60, 60, 60));
    const SViewMapping m = MapView(m_model.View(), width(), height());
    const SViewArea& v = m_model.View();
    // Only the part of the view that lies on the picture is drawn from it.
    QRectF source =
        QRectF(v.x, v.y, v.width, v.height).intersected(QRectF(0, 0, m_image.width(), m_image.height()));
    if (!source.isEmpty()) {
        auto [x0, y0] = m.ToWindow(source.left(), source.top());
        auto [x1, y1] = m.ToWindow(source.right(), source.bottom());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m.scale < 1.0);
        painter.drawImage(QRectF(QPointF(x0, y0), QPointF(x1, y1)), m_image, source);
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    DrawPoints(painter, m);
    DrawRect(painter, m, m_model.Position(1), QColor(0, 200, 0), Qt::SolidLine);
    DrawRect(painter, m, m_model.Position(2), QColor(40, 120, 255), Qt::SolidLine);
    DrawRect(painter, m, m_model.Current(), QColor(255, 40, 40), Qt::DashLine);
}

void CPictureMoveView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    auto [x, y] = PicturePoint(event->position());
    if (m_addPoints) {
        if (m_model.AddPoint(x, y)) emit pointsChanged();
        return;
    }
    m_model.MousePress(x, y);
}

void CPictureMoveView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_model.Dragging()) return;
    auto [x, y] = PicturePoint(event->position());
    m_model.MouseMove(x, y);
    emit rectangleChanged();
}

void CPictureMoveView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_model.Dragging() || event->button() != Qt::LeftButton) return;
    auto [x, y] = PicturePoint(event->position());
    m_model.MouseRelease(x, y);
    emit rectangleChanged();
}

void CPictureMoveView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- the dialog ----

CPictureMoveEditor::CPictureMoveEditor(const CProjectObject& object, std::unique_ptr<CDibPicture> picture,
                                       const CSettingsStore& projectSettings,
                                       const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                                       CMainViewChooser& chooser, QWidget* parent)
    : QDialog(parent),
      m_model(object, picture->GetWidth(), picture->GetHeight(), projectSettings),
      m_picture(std::move(picture)),
      m_edited(object),
      m_prompt(prompt),
      m_chooser(chooser) {
    setObjectName(QStringLiteral("PictureMove"));
    m_widgets["MainTitle"] = this;
    m_view = new CPictureMoveView(m_model, *m_picture);
    auto* left = new QVBoxLayout;
    left->addWidget(m_view, 1);
    left->addWidget(BuildFrameRow());
    auto* right = new QVBoxLayout;
    right->addWidget(BuildRectangleGroup());
    right->addWidget(BuildPositionGroup());
    right->addWidget(BuildPointGroup(), 1);
    right->addWidget(BuildQualityGroup());
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    right->addWidget(m_status);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* ok = MakeButton("OK");
    ok->setDefault(true);
    bottom->addWidget(ok);
    bottom->addWidget(MakeButton("Cancel"));
    right->addLayout(bottom);
    auto* root = new QHBoxLayout(this);
    root->addLayout(left, 1);
    root->addLayout(right);
    TranslateMotionDialog(mainLanguage, m_language, kSection, m_widgets, m_adapters);
    Bind();
    Connect();
    FillPoints();
    Refresh();
    resize(QSize(1180, 760).expandedTo(sizeHint()));
}

CPictureMoveEditor::~CPictureMoveEditor() = default;

QPushButton* CPictureMoveEditor::MakeButton(const char* key) {
    auto* b = new QPushButton(DefaultText(kSection, key));
    b->setObjectName(QString::fromUtf8(key));
    b->setAutoDefault(false);
    m_widgets[key] = b;
    return b;
}

QLabel* CPictureMoveEditor::MakeLabel(const char* key) {
    auto* l = new QLabel(DefaultText(kSection, key));
    m_widgets[key] = l;
    return l;
}

QLineEdit* CPictureMoveEditor::MakeBox(const char* name) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromUtf8(name));
    e->setMaximumWidth(90);
    m_widgets[std::string("box:") + name] = e;
    return e;
}

QWidget* CPictureMoveEditor::BuildRectangleGroup() {
    auto* group = new QGroupBox(DefaultText(kSection, "PictureMoveControls"));
    m_widgets["PictureMoveControls"] = group;
    auto* grid = new QGridLayout(group);
    const char* labels[4] = {"PosX", "PosY", "Width", "Height"};
    const char* boxes[4] = {pmove::kPosX, pmove::kPosY, pmove::kWidth, pmove::kHeight};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(MakeLabel(labels[i]), i / 2, (i % 2) * 2);
        grid->addWidget(MakeBox(boxes[i]), i / 2, (i % 2) * 2 + 1);
    }
    grid->addWidget(MakeButton("UpdateValues"), 2, 0, 1, 2);
    auto* zoom = new QHBoxLayout;
    zoom->addWidget(MakeButton("ZoomIn"));
    zoom->addWidget(MakeButton("ZoomOut"));
    grid->addLayout(zoom, 2, 2, 1, 2);
    return group;
}

QWidget* CPictureMoveEditor::BuildPositionGroup() {
    auto* group = new QGroupBox(DefaultText(kSection, "PositionSet"));
    m_widgets["PositionSet"] = group;
    auto* grid = new QGridLayout(group);
    grid->addWidget(MakeButton("SetAsPosition1"), 0, 0);
    grid->addWidget(MakeButton("SetAsPosition2"), 0, 1);
    grid->addWidget(MakeLabel("Pos1"), 1, 0);
    m_pos1Text = new QLabel;
    m_pos1Text->setObjectName(QStringLiteral("Pos1Text"));
    grid->addWidget(m_pos1Text, 1, 1);
    grid->addWidget(MakeLabel("Pos2"), 2, 0);
    m_pos2Text = new QLabel;
    m_pos2Text->setObjectName(QStringLiteral("Pos2Text"));
    grid->addWidget(m_pos2Text, 2, 1);
    return group;
}

QWidget* CPictureMoveEditor::BuildFrameRow() {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setObjectName(QStringLiteral("FrameSlider"));
    m_slider->setRange(0, m_model.FrameCount() - 1);
    line->addWidget(MakeButton("FirstFrame"));
    line->addWidget(MakeButton("PrevFrame"));
    line->addWidget(m_slider, 1);
    line->addWidget(MakeButton("NextFrame"));
    line->addWidget(MakeButton("LastFrame"));
    m_frameText = new QLabel;
    m_frameText->setObjectName(QStringLiteral("FrameText"));
    m_frameText->setMinimumWidth(90);
    line->addWidget(m_frameText);
    for (const char* key : {"FirstFrame", "PrevFrame", "NextFrame", "LastFrame"})
        m_widgets[key]->setMaximumWidth(48);
    return row;
}

QWidget* CPictureMoveEditor::BuildPointGroup() {
    auto* group = new QGroupBox(DefaultText(kSection, "StaticPoint2Point"));
    m_widgets["StaticPoint2Point"] = group;
    auto* column = new QVBoxLayout(group);
    m_addPoint = new QCheckBox(DefaultText(kSection, "AddFlightPoint"));
    m_addPoint->setObjectName(QStringLiteral("AddFlightPoint"));
    m_widgets["AddFlightPoint"] = m_addPoint;
    column->addWidget(m_addPoint);
    auto* colour = new QHBoxLayout;
    colour->addWidget(MakeButton("ChangeFlightPointColor"));
    m_colourSwatch = new QLabel;
    m_colourSwatch->setFixedSize(22, 22);
    colour->addWidget(m_colourSwatch);
    colour->addSpacing(12);
    colour->addWidget(MakeLabel("StaticRadius"));
    m_radius = new QLineEdit;
    m_radius->setObjectName(QStringLiteral("Radius"));
    m_radius->setMaximumWidth(60);
    colour->addWidget(m_radius);
    colour->addStretch();
    column->addLayout(colour);
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("FlightPointList"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumHeight(110);
    m_list->installEventFilter(this);
    m_listControl = std::make_unique<CQtPictureList>(m_list);
    m_model.InitializePointList(*m_listControl);
    column->addWidget(m_list, 1);
    auto* files = new QGridLayout;
    files->addWidget(MakeButton("ImportPoints"), 0, 0);
    files->addWidget(MakeButton("ExportPoints"), 0, 1);
    files->addWidget(MakeButton("SavePicture"), 1, 0, 1, 2);
    column->addLayout(files);
    return group;
}

QWidget* CPictureMoveEditor::BuildQualityGroup() {
    auto* group = new QGroupBox(DefaultText(kSection, "QualitySettings"));
    m_widgets["QualitySettings"] = group;
    auto* grid = new QGridLayout(group);
    grid->addWidget(MakeLabel("InternalScaleFactor"), 0, 0);
    grid->addWidget(MakeBox(pmove::kQuality), 0, 1);
    grid->addWidget(MakeLabel("MaximumScaleFactor"), 1, 0);
    grid->addWidget(MakeBox(pmove::kScaleLimit), 1, 1);
    auto* help = new QPushButton(DefaultText(kSection, "Help"));
    help->setObjectName(QStringLiteral("Help"));
    help->setAutoDefault(false);
    m_widgets["Help"] = help;
    grid->addWidget(help, 0, 2, 2, 1);
    grid->setColumnStretch(1, 1);
    return group;
}

void CPictureMoveEditor::Bind() {
    m_binder.SetSettings(&m_model.Store());
    auto text = [this](const char* box, const char* section, const char* key) {
        m_adapters.push_back(std::make_unique<CQtWindowControl>(Box(box)));
        m_binder.AddBinding(m_adapters.back().get(), section, key, kBindText);
    };
    for (const char* key : {pmove::kPosX, pmove::kPosY, pmove::kWidth, pmove::kHeight})
        text(key, pmove::kCurrent, key);
    text(pmove::kQuality, pmove::kProject, pmove::kQuality);
    text(pmove::kScaleLimit, pmove::kProject, pmove::kScaleLimit);
    // The frame controls need both positions.
    std::vector<QWidget*> frameControls{m_slider, m_frameText};
    for (const char* key : {"FirstFrame", "PrevFrame", "NextFrame", "LastFrame", "Pos1", "Pos2"})
        frameControls.push_back(m_widgets[key]);
    for (QWidget* w : frameControls) {
        m_adapters.push_back(std::make_unique<CQtWindowControl>(w));
        m_binder.AddBinding(m_adapters.back().get(), pmove::kPositions, pmove::kBothSet, "0",
                            kBindEnableIfDifferent);
    }
}

void CPictureMoveEditor::Connect() {
    auto on = [this](const char* key, auto fn) {
        connect(Button(key), &QPushButton::clicked, this, [this, fn] {
            fn();
            Refresh();
        });
    };
    on("UpdateValues", [this] { UpdateValues(); });
    on("ZoomIn", [this] { m_model.ZoomIn(); });
    on("ZoomOut", [this] { m_model.ZoomOut(); });
    on("SetAsPosition1", [this] { m_model.SetAsPosition(1); });
    on("SetAsPosition2", [this] { m_model.SetAsPosition(2); });
    on("FirstFrame", [this] { m_model.FirstFrame(); });
    on("PrevFrame", [this] { m_model.PreviousFrame(); });
    on("NextFrame", [this] { m_model.NextFrame(); });
    on("LastFrame", [this] { m_model.LastFrame(); });
    on("ChangeFlightPointColor", [this] { ChangePointColour(); });
    on("ImportPoints", [this] { ImportPoints(); });
    on("ExportPoints", [this] { ExportPoints(); });
    on("SavePicture", [this] { SavePicture(); });
    on("Help", [this] { ShowHelp(); });
    connect(Button("OK"), &QPushButton::clicked, this, &CPictureMoveEditor::AcceptEditor);
    connect(Button("Cancel"), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_slider, &QSlider::valueChanged, this, [this](int frame) {
        if (m_filling) return;
        m_model.GoToFrame(frame);
        Refresh();
    });
    connect(m_addPoint, &QCheckBox::toggled, this, [this](bool on) { m_view->SetAddPoints(on); });
    connect(m_radius, &QLineEdit::editingFinished, this, &CPictureMoveEditor::RadiusEdited);
    connect(m_view, &CPictureMoveView::rectangleChanged, this, &CPictureMoveEditor::Refresh);
    connect(m_view, &CPictureMoveView::pointsChanged, this, [this] {
        FillPoints();
        Refresh();
    });
    connect(m_view, &CPictureMoveView::deletePressed, this, &CPictureMoveEditor::DeleteCurrentPoint);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        QTreeWidgetItem* item = m_list->currentItem();
        m_model.SetCurrentPoint(item ? m_list->indexOfTopLevelItem(item) : -1);
        m_view->update();
    });
}

QLineEdit* CPictureMoveEditor::Box(const std::string& key) const {
    auto it = m_widgets.find("box:" + key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QLineEdit*>(it->second);
}

QPushButton* CPictureMoveEditor::Button(const std::string& key) const {
    auto it = m_widgets.find(key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

void CPictureMoveEditor::Refresh() {
    m_filling = true;
    m_binder.UpdateAllControls();
    m_pos1Text->setText(Q(m_model.PositionText(1)));
    m_pos2Text->setText(Q(m_model.PositionText(2)));
    m_slider->setValue(m_model.Frame());
    m_frameText->setText(QStringLiteral("%1 / %2").arg(m_model.Frame()).arg(m_model.FrameCount() - 1));
    m_colourSwatch->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #444;")
                                      .arg(ToQColor(m_model.PointColour()).name()));
    m_radius->setText(QString::number(m_model.Radius()));
    m_filling = false;
    m_view->update();
}

void CPictureMoveEditor::ShowStatus(const std::string& text) {
    m_status->setText(Q(text));
}

void CPictureMoveEditor::FillPoints() {
    QSignalBlocker block(m_list);
    m_model.FillPointList(*m_listControl);
    const int current = m_model.CurrentPoint();
    if (current >= 0 && current < m_list->topLevelItemCount()) {
        m_list->setCurrentItem(m_list->topLevelItem(current));
        m_list->scrollToItem(m_list->topLevelItem(current));
    }
    m_view->update();
}

void CPictureMoveEditor::UpdateValues() {
    m_binder.UpdateAllSettings();
    std::string message;
    if (!m_model.UpdateValues(message)) m_prompt.Message(message);
}

void CPictureMoveEditor::RadiusEdited() {
    if (m_filling || S(m_radius->text()) == std::to_string(m_model.Radius())) return;
    std::string message;
    const bool ok = m_model.SetRadiusText(S(m_radius->text()), message);
    // The box shows the radius in effect before a message box can take the focus away again.
    m_radius->setText(QString::number(m_model.Radius()));
    if (!ok) m_prompt.Message(message);
    m_view->update();
}

void CPictureMoveEditor::ChangePointColour() {
    Colour colour = m_model.PointColour();
    if (m_chooser.ChooseColour(colour)) m_model.SetPointColour(colour);
}

void CPictureMoveEditor::ImportPoints() {
    std::vector<std::string> files = m_chooser.ChooseFilesToOpen(pmove::kPointFileFilter, false);
    if (files.empty()) return;
    std::string status;
    m_model.ImportPoints(files.front(), status);
    ShowStatus(status);
    FillPoints();
    for (int c = 0; c < m_list->columnCount(); ++c) m_list->resizeColumnToContents(c);
}

void CPictureMoveEditor::ExportPoints() {
    std::string path = m_chooser.ChooseFileToSave(pmove::kPointFileFilter, "txt");
    if (path.empty()) return;
    std::string status;
    m_model.ExportPoints(path, status);
    ShowStatus(status);
}

void CPictureMoveEditor::SavePicture() {
    std::string path = m_chooser.ChooseFileToSave(pmove::kPictureFilter, "bmp");
    if (path.empty()) return;
    std::string status;
    CPictureMoveEditorModel::SavePicture(*m_picture, path, status);
    ShowStatus(status);
}

void CPictureMoveEditor::ShowHelp() {
    m_prompt.Message(pmove::kHelpText, "Help");
}

void CPictureMoveEditor::DeleteCurrentPoint() {
    if (!m_model.DeletePoint(m_model.CurrentPoint())) return;
    FillPoints();
    Refresh();
}

void CPictureMoveEditor::AcceptEditor() {
    RadiusEdited();
    m_binder.UpdateAllSettings();
    std::string message;
    if (!m_model.Accept(m_edited, message)) {
        m_prompt.Message(message);
        Refresh();
        return;
    }
    accept();
}

bool CPictureMoveEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteCurrentPoint();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace trov
