// The window toolkit's side of the core's front-end services.
#include "ui/qt/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cmath>

#include "imaging/Caption.h"
#include "ui/qt/QtControls.h"

namespace trov {

void RunOnGuiThread(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(
        app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void PostToGuiThread(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

// ---- message boxes -------------------------------------------------------------------------------

PromptAnswer CQtPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                            PromptAnswer defaultAnswer) {
    PromptAnswer answer = defaultAnswer;
    RunOnGuiThread([&] {
        QMessageBox::StandardButtons set;
        switch (buttons) {
            case PromptButtons::Ok:
                set = QMessageBox::Ok;
                break;
            case PromptButtons::OkCancel:
                set = QMessageBox::Ok | QMessageBox::Cancel;
                break;
            case PromptButtons::YesNo:
                set = QMessageBox::Yes | QMessageBox::No;
                break;
            case PromptButtons::YesNoCancel:
                set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
                break;
        }
        QMessageBox::StandardButton def = QMessageBox::NoButton;
        switch (defaultAnswer) {
            case PromptAnswer::Ok:
                def = QMessageBox::Ok;
                break;
            case PromptAnswer::Cancel:
                def = QMessageBox::Cancel;
                break;
            case PromptAnswer::Yes:
                def = QMessageBox::Yes;
                break;
            case PromptAnswer::No:
                def = QMessageBox::No;
                break;
        }
        if (!(set & def)) def = QMessageBox::NoButton;
        QString body = Q(text);
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(buttons == PromptButtons::Ok ? QMessageBox::Information : QMessageBox::Question,
                        Q(caption), body, set, m_parent);
        if (def != QMessageBox::NoButton) box.setDefaultButton(def);
        switch (box.exec()) {
            case QMessageBox::Ok:
                answer = PromptAnswer::Ok;
                break;
            case QMessageBox::Yes:
                answer = PromptAnswer::Yes;
                break;
            case QMessageBox::No:
                answer = PromptAnswer::No;
                break;
            case QMessageBox::Cancel:
                answer = PromptAnswer::Cancel;
                break;
            default:
                // Closed with Escape or the title bar: the cancel answer of the set.
                answer = buttons == PromptButtons::YesNo ? PromptAnswer::No
                         : buttons == PromptButtons::Ok  ? PromptAnswer::Ok
                                                         : PromptAnswer::Cancel;
        }
    });
    return answer;
}

// ---- dialogs and clipboard -------------------------------------------------------------------------

namespace {

// "Media Files (*.jpg; *.bmp; *.avi)" -> "Media Files (*.jpg *.bmp *.avi *.JPG ...)": Qt separates
// patterns by blanks, and file names on Linux have their letter case.
QString QtFilter(const std::string& filter) {
    QString f = Q(filter);
    int open = f.indexOf('('), close = f.lastIndexOf(')');
    if (open < 0 || close < open) return f;
    QStringList patterns =
        f.mid(open + 1, close - open - 1).split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts);
    QStringList all;
    for (const QString& p : patterns) {
        all << p;
        if (p.toUpper() != p) all << p.toUpper();
        if (p.compare("*.jpg", Qt::CaseInsensitive) == 0)
            all << "*.jpeg"
                << "*.JPEG";
    }
    return f.left(open).trimmed() + " (" + all.join(' ') + ")";
}

}  // namespace

std::vector<std::string> CQtChooser::ChooseFilesToOpen(const std::string& filter, bool multiple) {
    std::vector<std::string> files;
    QStringList chosen;
    if (multiple) {
        chosen = QFileDialog::getOpenFileNames(m_parent, QString(), m_lastFolder, QtFilter(filter));
    } else {
        QString one = QFileDialog::getOpenFileName(m_parent, QString(), m_lastFolder, QtFilter(filter));
        if (!one.isEmpty()) chosen << one;
    }
    for (const QString& f : chosen) files.push_back(S(f));
    if (!chosen.isEmpty()) m_lastFolder = QFileInfo(chosen.front()).absolutePath();
    return files;
}

std::string CQtChooser::ChooseFileToSave(const std::string& filter, const std::string& defaultSuffix) {
    QFileDialog dialog(m_parent, QString(), m_lastFolder, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(Q(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QString file = dialog.selectedFiles().front();
    m_lastFolder = QFileInfo(file).absolutePath();
    return S(file);
}

std::string CQtChooser::ChooseFolder(const std::string& title) {
    QString folder = QFileDialog::getExistingDirectory(m_parent, Q(title), m_lastFolder);
    if (!folder.isEmpty()) m_lastFolder = folder;
    return S(folder);
}

bool CQtChooser::ChooseColour(Colour& colour) {
    QColor start(ColourRed(colour), ColourGreen(colour), ColourBlue(colour));
    QColor chosen = QColorDialog::getColor(start, m_parent);
    if (!chosen.isValid()) return false;
    colour = MakeColour(static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                        static_cast<uint8_t>(chosen.blue()));
    return true;
}

namespace {

// Pixels per point of the screen the dialogs show on (96 dpi without one).
double PixelsPerPoint() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return (dpi > 0 ? dpi : 96.0) / 72.0;
}

}  // namespace

// Both directions go through the caption renderer's own mapping (CaptionFaceOf, LogFontForFace),
// so the font dialog shows the size, weight and width the movie's captions get.
QFont FontFromLogFont(const LogFont& font) {
    const CaptionFace face = CaptionFaceOf(font);
    QFont q(Q(face.family));
    q.setPixelSize(std::max(1, static_cast<int>(std::lround(face.emPixels))));
    q.setWeight(static_cast<QFont::Weight>(face.weight));
    q.setItalic(face.italic);
    q.setUnderline(face.underline);
    q.setStrikeOut(face.strikeOut);
    q.setStretch(std::clamp(static_cast<int>(std::lround(face.horizontalScale * 100)), 1, 4000));
    return q;
}

LogFont LogFontFromFont(const QFont& q, const LogFont& base) {
    const CaptionFace before = CaptionFaceOf(base);
    CaptionFace face = before;
    // The dialog starts on the face fontconfig resolved ("Arial" shows as Liberation Sans, weight
    // 200 as the nearest style the family has): what the user left as it was keeps its stored value.
    const QFontInfo start(FontFromLogFont(base));
    if (q.family() != start.family()) face.family = S(q.family());
    const double pixels = q.pixelSize() > 0 ? q.pixelSize() : q.pointSizeF() * PixelsPerPoint();
    // The dialog rounds sizes to its own steps: a size within a pixel of the start is the start's.
    if (pixels > 0 && std::abs(pixels - before.emPixels) > 1.0) face.emPixels = pixels;
    if (q.weight() != start.weight()) face.weight = std::clamp(static_cast<int>(q.weight()), 100, 1000);
    face.italic = q.italic();
    face.underline = q.underline();
    face.strikeOut = q.strikeOut();
    // The dialog has no width; the caption keeps its horizontal scale.
    return LogFontForFace(face, base);
}

bool CQtChooser::ChooseFont(LogFont& font) {
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, FontFromLogFont(font), m_parent);
    if (!ok) return false;
    font = LogFontFromFont(chosen, font);
    return true;
}

std::string CQtChooser::GetClipboardText() {
    return S(QApplication::clipboard()->text());
}

void CQtChooser::SetClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(Q(text));
}

// ---- the manager's view ---------------------------------------------------------------------------

CQtManagerView::CQtManagerView(int intervalMs) : m_intervalMs(std::max(0, intervalMs)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Flush(); });
    m_sinceFlush.start();
}

bool CQtManagerView::OnGuiThread() const {
    return QThread::currentThread() == thread();
}

void CQtManagerView::Arm() {
    // Queued to this object: a hand-over still waiting when the view goes is dropped with it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_timer.isActive()) return;
            const qint64 since = m_sinceFlush.elapsed();
            m_timer.start(since >= m_intervalMs ? 0 : static_cast<int>(m_intervalMs - since));
        },
        Qt::QueuedConnection);
}

void CQtManagerView::Flush() {
    m_timer.stop();
    CPendingViewUpdates::SBatch batch = m_pending.Take();
    if (batch.Empty()) return;
    ++m_flushes;
    m_sinceFlush.restart();
    if (batch.status) emit statusText(Q(*batch.status));
    for (int bar = 0; bar < 2; ++bar)
        if (batch.progress[bar])
            emit progress(bar == 1, batch.progress[bar]->position, Q(batch.progress[bar]->text));
    for (int box = 0; box < 2; ++box)
        if (batch.time[box]) emit timeText(box == 1, Q(*batch.time[box]));
}

void CQtManagerView::OnStatusText(const std::string& text) {
    if (!OnGuiThread()) {
        if (m_pending.SetStatus(text)) Arm();
        return;
    }
    m_pending.DropStatus();
    emit statusText(Q(text));
}

void CQtManagerView::OnProgress(bool complete, int position, const std::string& percentText) {
    if (!OnGuiThread()) {
        if (m_pending.SetProgress(complete, position, percentText)) Arm();
        return;
    }
    m_pending.DropProgress(complete);
    emit progress(complete, position, Q(percentText));
}

void CQtManagerView::OnTimeText(bool remaining, const std::string& text) {
    if (!OnGuiThread()) {
        if (m_pending.SetTime(remaining, text)) Arm();
        return;
    }
    m_pending.DropTime(remaining);
    emit timeText(remaining, Q(text));
}

}  // namespace trov
