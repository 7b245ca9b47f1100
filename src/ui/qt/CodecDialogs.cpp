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

#include "ui/qt/QtControls.h"
#include "ui/qt/QtServices.h"
#include "video/VideoCodecs.h"

namespace trov {

namespace {

// What an encoder's options box suggests.
QString OptionsHint(const VideoEncoderInfo& e) {
    if (e.encoderName == "libx264") return QStringLiteral("e.g. preset=medium;tune=film");
    if (e.encoderName == "mpeg4" || e.encoderName == "msmpeg4" || e.encoderName == "msmpeg4v2")
        return QStringLiteral("e.g. mbd=rd;trellis=1");
    if (e.encoderName == "ffv1") return QStringLiteral("e.g. level=3;slicecrc=1");
    return QStringLiteral("key=value;key=value (the encoder's own options)");
}

}  // namespace

// ---- video ---------------------------------------------------------------------------------------

CVideoCodecDialog::CVideoCodecDialog(const BitmapInfoHeader& input, const CompressionOptions& previous,
                                     const std::string& outputPath, QWidget* parent)
    : QDialog(parent),
      m_width(input.biWidth),
      m_height(input.biHeight < 0 ? -input.biHeight : input.biHeight),
      m_outputPath(outputPath) {
    setWindowTitle(QString::fromUtf8(kChooseVideoCodecTitle));
    setObjectName(QStringLiteral("ChooseVideoCodec"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Video encoders of this machine (movie %1 x %2):").arg(m_width).arg(m_height)));
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

    auto* form = new QFormLayout;
    m_quality = new QSpinBox;
    m_quality->setObjectName(QStringLiteral("Quality"));
    m_quality->setRange(0, static_cast<int>(kMaxQuality));
    m_quality->setSingleStep(250);
    m_quality->setValue(static_cast<int>(kDefaultQuality));
    form->addRow(tr("Quality (0 - 10000):"), m_quality);
    // The writer puts one key frame in every second of the movie (frames pasted from the stream
    // cache must start on one); the interval is shown, not chosen.
    m_keyFrames = new QLabel(tr("one per second of the movie"));
    m_keyFrames->setObjectName(QStringLiteral("KeyFrameEvery"));
    form->addRow(tr("Key frame every:"), m_keyFrames);
    m_dataRate = new QSpinBox;
    m_dataRate->setObjectName(QStringLiteral("DataRate"));
    m_dataRate->setRange(0, 1000000);
    m_dataRate->setSuffix(QStringLiteral(" kBit/s"));
    m_dataRate->setSpecialValueText(tr("by quality"));
    form->addRow(tr("Data rate:"), m_dataRate);
    m_options = new QLineEdit;
    m_options->setObjectName(QStringLiteral("EncoderOptions"));
    form->addRow(tr("Encoder options:"), m_options);
    layout->addLayout(form);

    m_check = new QLabel;
    m_check->setObjectName(QStringLiteral("CheckText"));
    m_check->setWordWrap(true);
    layout->addWidget(m_check);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The previous choice, else the first encoder.
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
    m_options->setPlaceholderText(OptionsHint(e));
    m_encoderNote->setText(e.lossless ? tr("Lossless: quality and data rate do not apply.")
                                      : tr("Quality 10000 is the best; a data rate overrides the quality."));
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
        m_check->setText(tr("Choose an encoder."));
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
    m_check->setText(ok ? tr("This encoder can compress %1 x %2 pictures.").arg(m_width).arg(m_height)
                        : tr("This encoder cannot take this movie: %1").arg(Q(why)));
}

// ---- audio ---------------------------------------------------------------------------------------

CAudioCodecDialog::CAudioCodecDialog(const std::vector<SAudioFormatTag>& tags, int tagIndex, int formatIndex,
                                     QWidget* parent)
    : QDialog(parent), m_tagList(tags) {
    setWindowTitle(QString::fromUtf8(kChooseAudioCodecTitle));
    setObjectName(QStringLiteral("ChooseAudioCodec"));
    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("Format:")));
    m_tags = new QListWidget;
    m_tags->setObjectName(QStringLiteral("FormatTags"));
    m_tags->addItem(QString::fromUtf8(kNoAudioEntry));
    for (const SAudioFormatTag& t : tags) m_tags->addItem(Q(t.name));
    m_tags->setMinimumWidth(160);
    left->addWidget(m_tags);
    lists->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(tr("Attributes:")));
    m_formats = new QListWidget;
    m_formats->setObjectName(QStringLiteral("Formats"));
    m_formats->setMinimumWidth(280);
    right->addWidget(m_formats);
    lists->addLayout(right, 1);
    layout->addLayout(lists, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
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
std::string g_outputPath;

class CQtAudioChooser : public CAudioFormatChooserUI {
public:
    int Choose(void*, const std::string& title, const std::vector<SAudioFormatTag>& tags, int& tagIndex,
               int& formatIndex) override {
        int code = 515;
        RunOnGuiThread([&] {
            CAudioCodecDialog dialog(tags, tagIndex, formatIndex, g_parent);
            dialog.setWindowTitle(Q(title));
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

void InstallCodecChoosers(QWidget* parent) {
    g_parent = parent;
    SetVideoCodecChooser([](const BitmapInfoHeader& input, const CompressionOptions& previous,
                            CompressionOptions& choice) {
        std::string path;
        {
            std::lock_guard lock(g_mutex);
            path = g_outputPath;
        }
        bool accepted = false;
        RunOnGuiThread([&] {
            CVideoCodecDialog dialog(input, previous, path.empty() ? std::string("x.avi") : path, g_parent);
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
}

}  // namespace trov
