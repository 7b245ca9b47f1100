// The video and audio codec choosers (see the header).
#include "ui/qt/CodecDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "ui/CreationSettingsModel.h"
#include "ui/LanguageTable.h"
#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtServices.h"
#include "video/VideoCodecs.h"

namespace trov {

namespace {

// What an encoder's options box suggests (the examples are the encoders' own syntax).
QString OptionsHint(const VideoEncoderInfo& e, const QString& general) {
    if (e.encoderName == "libx264") return QStringLiteral("e.g. preset=medium;tune=film");
    if (e.encoderName == "mpeg4" || e.encoderName == "msmpeg4" || e.encoderName == "msmpeg4v2")
        return QStringLiteral("e.g. mbd=rd;trellis=1");
    if (e.encoderName == "ffv1") return QStringLiteral("e.g. level=3;slicecrc=1");
    return general;
}

// OK and Cancel in the dialog's language.
QDialogButtonBox* OkCancelButtons(const CWndLanguageManager* language) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(CodecDialogText(language, "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(CodecDialogText(language, "Cancel"));
    return buttons;
}

}  // namespace

QString CodecDialogText(const CWndLanguageManager* language, const char* key) {
    const char* fallback = FindDefaultText(kCreationSettingsSection, key);
    std::string text = fallback ? fallback : key;
    if (language) text = language->GetText(kCreationSettingsSection, key, text);
    return Q(text);
}

QString WithNumbers(QString text, std::initializer_list<int> numbers) {
    qsizetype from = 0;
    for (int n : numbers) {
        const qsizetype at = text.indexOf(QLatin1String("%d"), from);
        if (at < 0) break;
        const QString number = QString::number(n);
        text.replace(at, 2, number);
        from = at + number.size();
    }
    return text;
}

// ---- video ---------------------------------------------------------------------------------------

CVideoCodecDialog::CVideoCodecDialog(const BitmapInfoHeader& input, const CompressionOptions& previous,
                                     const std::string& outputPath, QWidget* parent,
                                     const CWndLanguageManager* language)
    : QDialog(parent),
      m_language(language),
      m_width(input.biWidth),
      m_height(input.biHeight < 0 ? -input.biHeight : input.biHeight),
      m_outputPath(outputPath) {
    setWindowTitle(Text("ChooseVideoCodec"));
    setObjectName(QStringLiteral("ChooseVideoCodec"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(WithNumbers(Text("VideoCodec.Encoders"), {m_width, m_height})));
    m_encoders = new QListWidget;
    m_encoders->setObjectName(QStringLiteral("Encoders"));
    for (const VideoEncoderInfo& e : AvailableVideoEncoders()) {
        auto* item = new QListWidgetItem(Q(e.description + " (" + e.fourCCText + ", " + e.encoderName + ")"));
        item->setData(Qt::UserRole, static_cast<uint>(e.fourCC));
        m_encoders->addItem(item);
    }
    m_encoders->setMinimumSize(420, 200);
    layout->addWidget(m_encoders, 1);
    m_encoderNote = new QLabel;
    m_encoderNote->setWordWrap(true);
    layout->addWidget(m_encoderNote);
    BuildForm(layout);
    m_check = new QLabel;
    m_check->setObjectName(QStringLiteral("CheckText"));
    m_check->setWordWrap(true);
    layout->addWidget(m_check);
    QDialogButtonBox* buttons = OkCancelButtons(m_language);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SelectPrevious(previous);
}

void CVideoCodecDialog::BuildForm(QVBoxLayout* layout) {
    auto* form = new QFormLayout;
    m_quality = new QSpinBox;
    m_quality->setObjectName(QStringLiteral("Quality"));
    m_quality->setRange(0, static_cast<int>(kMaxQuality));
    m_quality->setSingleStep(250);
    m_quality->setValue(static_cast<int>(kDefaultQuality));
    form->addRow(Text("VideoCodec.Quality"), m_quality);
    // The writer puts one key frame in every second of the movie (frames pasted from the stream
    // cache must start on one); the interval is shown, not chosen.
    m_keyFrames = new QLabel(Text("VideoCodec.KeyFramesValue"));
    m_keyFrames->setObjectName(QStringLiteral("KeyFrameEvery"));
    form->addRow(Text("VideoCodec.KeyFrames"), m_keyFrames);
    m_dataRate = new QSpinBox;
    m_dataRate->setObjectName(QStringLiteral("DataRate"));
    m_dataRate->setRange(0, 1000000);
    m_dataRate->setSuffix(QStringLiteral(" kBit/s"));
    m_dataRate->setSpecialValueText(Text("VideoCodec.ByQuality"));
    form->addRow(Text("VideoCodec.DataRate"), m_dataRate);
    m_options = new QLineEdit;
    m_options->setObjectName(QStringLiteral("EncoderOptions"));
    form->addRow(Text("VideoCodec.Options"), m_options);
    layout->addLayout(form);
}

// The previous choice, else the first encoder.
void CVideoCodecDialog::SelectPrevious(const CompressionOptions& previous) {
    int row = 0;
    const VideoEncoderInfo* was = previous.fccHandler ? FindVideoEncoder(previous.fccHandler) : nullptr;
    for (int i = 0; was && i < m_encoders->count(); ++i)
        if (m_encoders->item(i)->data(Qt::UserRole).toUInt() == was->fourCC) row = i;
    if (was) {
        if (previous.dwQuality <= kMaxQuality) m_quality->setValue(static_cast<int>(previous.dwQuality));
        m_dataRate->setValue(static_cast<int>(std::min<uint32_t>(previous.dwBytesPerSecond / 125, 1000000)));
        m_options->setText(Q(previous.GetStateText()));
    }
    connect(m_encoders, &QListWidget::currentRowChanged, this, [this] { EncoderChanged(); });
    connect(m_quality, qOverload<int>(&QSpinBox::valueChanged), this, [this] { Check(); });
    connect(m_dataRate, qOverload<int>(&QSpinBox::valueChanged), this, [this] { Check(); });
    connect(m_options, &QLineEdit::editingFinished, this, [this] { Check(); });
    m_encoders->setCurrentRow(row);
    EncoderChanged();
}

void CVideoCodecDialog::EncoderChanged() {
    int row = m_encoders->currentRow();
    const auto& encoders = AvailableVideoEncoders();
    if (row < 0 || row >= static_cast<int>(encoders.size())) return;
    const VideoEncoderInfo& e = encoders[static_cast<size_t>(row)];
    m_quality->setEnabled(e.quality != QualityMapping::None);
    m_dataRate->setEnabled(!e.lossless);
    m_options->setPlaceholderText(OptionsHint(e, Text("VideoCodec.OptionsHint")));
    m_encoderNote->setText(e.lossless ? Text("VideoCodec.Lossless") : Text("VideoCodec.QualityNote"));
    Check();
}

CompressionOptions CVideoCodecDialog::Choice() const {
    CompressionOptions o;
    int row = m_encoders->currentRow();
    if (row < 0) return o;
    o.fccHandler = m_encoders->item(row)->data(Qt::UserRole).toUInt();
    o.dwQuality = static_cast<uint32_t>(m_quality->value());
    o.dwBytesPerSecond = static_cast<uint32_t>(m_dataRate->value()) * 125u;
    o.SetStateText(S(m_options->text().trimmed()));
    return o;
}

QString CVideoCodecDialog::Problem() const {
    return m_ok->isEnabled() ? QString() : m_check->text();
}

void CVideoCodecDialog::Check() {
    CompressionOptions o = Choice();
    if (o.fccHandler == 0) {
        m_check->setText(Text("VideoCodec.ChooseEncoder"));
        m_ok->setEnabled(false);
        return;
    }
    BitmapInfoHeader header{};
    header.biSize = 40;
    header.biWidth = m_width;
    header.biHeight = m_height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::string why;
    bool ok = CanCompress(o, header, m_outputPath, &why);
    m_ok->setEnabled(ok);
    m_check->setStyleSheet(ok ? QString() : QStringLiteral("color: #b00000;"));
    m_check->setText(ok ? WithNumbers(Text("VideoCodec.CanCompress"), {m_width, m_height})
                        : Text("VideoCodec.CannotTake") + QLatin1Char(' ') + Q(why));
}

// ---- audio ---------------------------------------------------------------------------------------

CAudioCodecDialog::CAudioCodecDialog(const std::vector<SAudioFormatTag>& tags, int tagIndex, int formatIndex,
                                     QWidget* parent, const CWndLanguageManager* language)
    : QDialog(parent), m_language(language), m_tagList(tags) {
    setWindowTitle(CodecDialogText(m_language, "ChooseAudioCodec"));
    setObjectName(QStringLiteral("ChooseAudioCodec"));
    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(CodecDialogText(m_language, "AudioCodec.Format")));
    m_tags = new QListWidget;
    m_tags->setObjectName(QStringLiteral("FormatTags"));
    m_tags->addItem(CodecDialogText(m_language, "AudioCodec.NoAudio"));
    for (const SAudioFormatTag& t : tags) m_tags->addItem(Q(t.name));
    m_tags->setMinimumWidth(160);
    left->addWidget(m_tags);
    lists->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(CodecDialogText(m_language, "AudioCodec.Attributes")));
    m_formats = new QListWidget;
    m_formats->setObjectName(QStringLiteral("Formats"));
    m_formats->setMinimumWidth(280);
    right->addWidget(m_formats);
    lists->addLayout(right, 1);
    layout->addLayout(lists, 1);
    QDialogButtonBox* buttons = OkCancelButtons(m_language);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tags, &QListWidget::currentRowChanged, this, [this] { FillFormats(); });
    connect(m_formats, &QListWidget::currentRowChanged, this,
            [this](int row) { m_ok->setEnabled(TagIndex() < 0 || row >= 0); });
    connect(m_formats, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    m_tags->setCurrentRow(tagIndex >= 0 && tagIndex < static_cast<int>(tags.size()) ? tagIndex + 1 : 0);
    if (formatIndex >= 0 && formatIndex < m_formats->count()) m_formats->setCurrentRow(formatIndex);
    resize(520, 320);
}

void CAudioCodecDialog::SetCoreTitle(const std::string& title) {
    for (const char* key : {"AudioCodec.ChooseFormat", "AudioCodec.PcmSelection"}) {
        const char* english = FindDefaultText(kCreationSettingsSection, key);
        if (english && title == english) {
            setWindowTitle(CodecDialogText(m_language, key));
            return;
        }
    }
    setWindowTitle(Q(title));
}

void CAudioCodecDialog::FillFormats() {
    m_formats->clear();
    int tag = TagIndex();
    if (tag >= 0)
        for (const SAudioFormatChoice& f : m_tagList[static_cast<size_t>(tag)].formats)
            m_formats->addItem(Q(f.description));
    m_formats->setEnabled(tag >= 0);
    if (m_formats->count() > 0) m_formats->setCurrentRow(0);
    m_ok->setEnabled(tag < 0 || m_formats->currentRow() >= 0);
}

int CAudioCodecDialog::TagIndex() const {
    return m_tags->currentRow() - 1;
}

int CAudioCodecDialog::FormatIndex() const {
    return TagIndex() < 0 ? -1 : m_formats->currentRow();
}

// ---- installing them ------------------------------------------------------------------------------

namespace {

std::mutex g_mutex;
QPointer<QWidget> g_parent;
const CWndLanguageManager* g_language = nullptr;
std::string g_outputPath;

class CQtAudioChooser : public CAudioFormatChooserUI {
public:
    int Choose(void*, const std::string& title, const std::vector<SAudioFormatTag>& tags, int& tagIndex,
               int& formatIndex) override {
        int code = 515;
        RunOnGuiThread([&] {
            CAudioCodecDialog dialog(tags, tagIndex, formatIndex, g_parent, g_language);
            dialog.SetCoreTitle(title);
            if (dialog.exec() != QDialog::Accepted) return;
            if (dialog.TagIndex() < 0) {
                // No audio: the slot is emptied, and the choice ends as a cancelled one.
                std::lock_guard lock(GetAudioSlotMutex());
                GetAudioFormatSlot(kOutputAudioSlot) = SAudioFormatSlot();
                return;
            }
            tagIndex = dialog.TagIndex();
            formatIndex = dialog.FormatIndex();
            code = 0;
        });
        return code;
    }
};

CQtAudioChooser g_audioChooser;

}  // namespace

void SetVideoChooserOutputPath(const std::string& outputPath) {
    std::lock_guard lock(g_mutex);
    g_outputPath = outputPath;
}

void InstallCodecChoosers(QWidget* parent, const CWndLanguageManager* language) {
    g_parent = parent;
    g_language = language;
    SetVideoCodecChooser(
        [](const BitmapInfoHeader& input, const CompressionOptions& previous, CompressionOptions& choice) {
            std::string path;
            {
                std::lock_guard lock(g_mutex);
                path = g_outputPath;
            }
            bool accepted = false;
            RunOnGuiThread([&] {
                CVideoCodecDialog dialog(input, previous, path.empty() ? std::string("x.avi") : path,
                                         g_parent, g_language);
                if (dialog.exec() != QDialog::Accepted) return;
                choice = dialog.Choice();
                accepted = choice.fccHandler != 0;
            });
            return accepted;
        });
    SetAudioFormatChooserUI(&g_audioChooser);
}

void UninstallCodecChoosers() {
    SetVideoCodecChooser({});
    SetAudioFormatChooserUI(nullptr);
    g_parent = nullptr;
    g_language = nullptr;
}

}  // namespace trov
