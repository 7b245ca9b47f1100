// The synchronisation dialog's widgets (see the header).
#include "ui/qt/SynchronizeDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "audio/SoundPlayer.h"
#include "creation/Creation.h"
#include "creation/PicturePreparation.h"
#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "ui/LanguageTable.h"
#include "ui/qt/PreviewWidget.h"
#include "ui/qt/QtControls.h"
#include "video/AVIFrameReader.h"

namespace trov {

namespace {

constexpr const char* kSection = "SYNC_AUDIO_VIDEO_DLG";
// The waveform shows the last seconds of a running run; a run that ended shows whole.
constexpr int64_t kRunningViewMs = 15000;

QPixmap BlankPreview() {
    QPixmap blank(kSyncPreviewWidth, kSyncPreviewHeight);
    blank.fill(QColor(48, 48, 48));
    return blank;
}

}  // namespace

// ---- waveform ----------------------------------------------------------------------------------------

CSyncWaveformWidget::CSyncWaveformWidget(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(64);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CSyncWaveformWidget::SetView(std::vector<uint8_t> values, int64_t fromMs, int64_t toMs,
                                  std::vector<int64_t> presses, int64_t nowMs, bool running) {
    m_values = std::move(values);
    m_from = fromMs;
    m_to = std::max(fromMs + 1, toMs);
    m_presses = std::move(presses);
    m_now = nowMs;
    m_running = running;
    update();
}

void CSyncWaveformWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width(), h = height(), mid = h / 2;
    p.fillRect(rect(), QColor(24, 28, 36));
    p.setPen(QColor(60, 66, 80));
    p.drawLine(0, mid, w, mid);
    p.setPen(QColor(90, 190, 120));
    const size_t n = m_values.size();
    for (int x = 0; x < w && n > 0; ++x) {
        int v = m_values[std::min(n - 1, size_t(x) * n / size_t(w))];
        int half = v * (mid - 2) / 255;
        if (half > 0) p.drawLine(x, mid - half, x, mid + half);
    }
    auto xOf = [this, w](int64_t t) { return int((t - m_from) * w / (m_to - m_from)); };
    p.setPen(QPen(QColor(255, 200, 40), 2));
    for (int64_t t : m_presses)
        if (t >= m_from && t <= m_to) p.drawLine(xOf(t), 0, xOf(t), h);
    if (m_running) {
        p.setPen(QColor(230, 80, 80));
        p.drawLine(xOf(m_now), 0, xOf(m_now), h);
    }
}

// ---- dialog ------------------------------------------------------------------------------------------

CSynchronizeDlg::CSynchronizeDlg(CTROVManager& manager, const CWndLanguageManager& mainLanguage,
                                 CUserPrompt& prompt, CSoundOutput& output, QWidget* parent)
    : QDialog(parent), m_manager(manager), m_prompt(prompt), m_output(output), m_clock(&CSyncTimer::NowMs) {
    BuildControls();
    RegisterTexts(mainLanguage);
    const int count = m_manager.GetObjectCount();
    m_startBox->setText(QStringLiteral("0"));
    m_endBox->setText(QString::number(std::max(0, count - 1)));
    ClearPreviews();
    SetIdleControls(true);
    m_display.setInterval(20);
    connect(&m_display, &QTimer::timeout, this, &CSynchronizeDlg::Refresh);
    m_jobPoll.setInterval(50);
    connect(&m_jobPoll, &QTimer::timeout, this, &CSynchronizeDlg::PollPreprocessing);
    ShowWaveform();
}

CSynchronizeDlg::~CSynchronizeDlg() {
    m_timer.Stop();
    if (m_job) m_job->Cancel();
    if (m_worker.joinable()) m_worker.join();
    m_model.reset();
    m_player.reset();
}

QString CSynchronizeDlg::Text(const char* key) const {
    const char* fallback = FindDefaultText(kSection, key);
    return Q(m_language.GetText(kSection, key, fallback ? fallback : key));
}

void CSynchronizeDlg::BuildControls() {
    auto button = [this](const char* key) {
        auto* b = new QPushButton(Text(key));
        b->setObjectName(Q(key));
        b->setAutoDefault(false);
        m_widgets[key] = b;
        return b;
    };
    auto label = [this](const char* key) {
        auto* l = new QLabel(Text(key));
        m_widgets[key] = l;
        return l;
    };
    m_widgets["MainTitle"] = this;
    setWindowTitle(Text("MainTitle"));
    auto* layout = new QVBoxLayout(this);
    QLabel* info = label("Information");
    info->setWordWrap(true);
    layout->addWidget(info);

    auto* prep = new QHBoxLayout;
    prep->addWidget(button("Preprocessing"));
    m_progress = new QProgressBar;
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    prep->addWidget(m_progress, 1);
    layout->addLayout(prep);

    auto* range = new QHBoxLayout;
    range->addWidget(label("StaticStartPosition"));
    m_startBox = new QLineEdit;
    m_startBox->setMaximumWidth(80);
    range->addWidget(m_startBox);
    range->addSpacing(16);
    range->addWidget(label("StaticEndPosition"));
    m_endBox = new QLineEdit;
    m_endBox->setMaximumWidth(80);
    range->addWidget(m_endBox);
    range->addStretch();
    range->addWidget(button("StartSynchronisation"));
    layout->addLayout(range);

    layout->addWidget(label("StaticImages"));
    auto* images = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto* picture = new QLabel;
        picture->setFixedSize(kSyncPreviewWidth, kSyncPreviewHeight);
        picture->setFrameShape(QFrame::Box);
        auto* motion = new QLabel;
        motion->setAlignment(Qt::AlignCenter);
        images->addWidget(picture, 0, i, Qt::AlignCenter);
        images->addWidget(motion, 1, i, Qt::AlignCenter);
        m_previews.push_back(picture);
        m_motion.push_back(motion);
    }
    layout->addLayout(images);

    QPushButton* next = button("NextPicture");
    next->setMinimumHeight(48);
    layout->addWidget(next);

    auto* times = new QGridLayout;
    times->addWidget(label("StaticCurrentTime"), 0, 0);
    m_currentTime = new QLabel;
    times->addWidget(m_currentTime, 0, 1);
    times->addWidget(label("StaticPictureTime"), 1, 0);
    m_pictureTime = new QLabel;
    times->addWidget(m_pictureTime, 1, 1);
    times->setColumnStretch(2, 1);
    layout->addLayout(times);

    m_waveform = new CSyncWaveformWidget;
    layout->addWidget(m_waveform);
    m_status = new QLabel;
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button("ApplySynchronisation"));
    buttons->addWidget(button("Cancel"));
    layout->addLayout(buttons);

    connect(Button("Preprocessing"), &QPushButton::clicked, this, &CSynchronizeDlg::Preprocess);
    connect(Button("StartSynchronisation"), &QPushButton::clicked, this, &CSynchronizeDlg::StartOrStop);
    connect(next, &QPushButton::clicked, this, &CSynchronizeDlg::NextPicture);
    connect(Button("ApplySynchronisation"), &QPushButton::clicked, this, &CSynchronizeDlg::accept);
    connect(Button("Cancel"), &QPushButton::clicked, this, &CSynchronizeDlg::reject);
}

void CSynchronizeDlg::RegisterTexts(const CWndLanguageManager& mainLanguage) {
    OpenDialogLanguage(mainLanguage, m_language, kSection, [this](std::string_view key) -> CWindowControl* {
        auto it = m_widgets.find(std::string(key));
        if (it == m_widgets.end()) return nullptr;
        m_adapters.push_back(std::make_unique<CQtWindowControl>(it->second));
        return m_adapters.back().get();
    });
}

QPushButton* CSynchronizeDlg::Button(const std::string& key) const {
    auto it = m_widgets.find(key);
    return it == m_widgets.end() ? nullptr : qobject_cast<QPushButton*>(it->second);
}

void CSynchronizeDlg::SetIdleControls(bool idle) {
    const bool any = m_manager.GetObjectCount() > 0;
    m_startBox->setEnabled(idle);
    m_endBox->setEnabled(idle);
    Button("Preprocessing")->setEnabled(idle && any);
    Button("StartSynchronisation")->setEnabled((idle && any) || (m_model && m_model->IsRunning()));
    Button("ApplySynchronisation")->setEnabled(idle && m_model && !m_model->Durations().empty());
    Button("NextPicture")->setEnabled(!idle && m_model && m_model->NextEnabled());
    // While preprocessing runs, Cancel stops it.
    Button("Cancel")->setEnabled(true);
}

// ---- preprocessing -----------------------------------------------------------------------------------

void CSynchronizeDlg::Preprocess() {
    if (m_preprocessing || (m_model && m_model->IsRunning()) || m_manager.GetObjectCount() == 0) return;
    CSyncPreprocessor::SInputs in;
    CPicturePreparation& preparation = m_manager.GetCreation().GetPicturePreparation();
    for (int i = 0; i < m_manager.GetObjectCount(); ++i) in.objects.push_back(*m_manager.GetObject(i));
    in.entries = SyncEntriesFromProject(m_manager, &preparation.ClipReader());
    in.preparation = &preparation;
    in.waveCache = &m_manager.GetWaveCache();
    in.pipelines = &m_manager.GetPipelines();
    in.tempDirectory = m_manager.GetTempDirectory();
    in.quality = m_manager.GetQuality();
    m_entries = in.entries;
    m_job = std::make_unique<CSyncPreprocessor>(std::move(in));
    m_progress->setRange(0, std::max(1, m_job->Count()));
    m_progress->setValue(0);
    m_preprocessing = true;
    m_jobDone = false;
    SetIdleControls(false);
    Button("NextPicture")->setEnabled(false);
    m_worker = std::thread([this] {
        m_job->Run();
        m_jobDone = true;
    });
    m_jobPoll.start();
}

void CSynchronizeDlg::PollPreprocessing() {
    if (!m_job) return;
    m_progress->setValue(m_job->Position());
    m_status->setText(Q(m_job->Status()));
    if (m_jobDone) FinishPreprocessing();
}

void CSynchronizeDlg::FinishPreprocessing() {
    m_jobPoll.stop();
    if (m_worker.joinable()) m_worker.join();
    m_preprocessing = false;
    const bool cancelled = m_job->IsCancelled();
    QString text = Text(cancelled ? "PreprocessingCanceled" : "PreprocessingDone");
    if (!cancelled && (m_job->MissingPictures() > 0 || m_job->MissingWaves() > 0))
        text += QStringLiteral(" %1 %2, %3")
                    .arg(Text("NotRead"))
                    .arg(m_job->MissingPictures())
                    .arg(m_job->MissingWaves());
    m_status->setText(text);
    m_manager.SendStatus(S(text));
    m_job.reset();
    SetIdleControls(true);
    if (cancelled) QDialog::reject();
}

// ---- the run -----------------------------------------------------------------------------------------

void CSynchronizeDlg::StartOrStop() {
    if (m_preprocessing) return;
    if (m_model && m_model->IsRunning())
        StopRun();
    else
        StartRun();
}

void CSynchronizeDlg::StartRun() {
    m_timer.Stop();
    m_model.reset();
    CPicturePreparation& preparation = m_manager.GetCreation().GetPicturePreparation();
    std::vector<SSyncEntry> entries = SyncEntriesFromProject(m_manager, &preparation.ClipReader());
    m_player = std::make_unique<CSyncAudioPlayer>(entries, m_manager.GetWaveCache(), m_output);
    std::string why;
    QString status;
    if (!m_player->CheckOutput(why)) status = QStringLiteral("%1 (%2)").arg(Text("NoSound"), Q(why));
    m_model = std::make_unique<CSynchronizeModel>(entries, m_manager.GetFrameRate(), m_player.get());
    const int start = CSettingsStore::ParseInt(S(m_startBox->text()));
    const int end = CSettingsStore::ParseInt(S(m_endBox->text()));
    if (!m_model->Start(start, end, m_clock())) {
        m_status->setText(Text("StartNotAnEntry"));
        return;
    }
    m_endBox->setText(QString::number(m_model->EndPosition()));
    m_status->setText(status);
    Button("StartSynchronisation")->setText(Text("StopSynchronisation"));
    SetIdleControls(false);
    m_shownIndex = -2;
    CSynchronizeModel* model = m_model.get();
    m_timer.Start([model, this](int64_t) { model->Tick(m_clock()); });
    m_display.start();
    Refresh();
}

void CSynchronizeDlg::StopRun() {
    if (m_model) m_model->Stop();
    RunEnded();
}

void CSynchronizeDlg::RunEnded() {
    m_timer.Stop();
    m_display.stop();
    if (m_player) m_player->Stop();
    Button("StartSynchronisation")->setText(Text("StartSynchronisation"));
    SetIdleControls(true);
    ClearPreviews();
    m_shownIndex = -2;
    m_pictureTime->clear();
    ShowWaveform();
}

void CSynchronizeDlg::NextPicture() {
    if (!m_model || !m_model->NextPicture(m_clock())) return;
    Refresh();
}

void CSynchronizeDlg::Refresh() {
    if (!m_model) return;
    const bool running = m_model->IsRunning();
    m_currentTime->setText(Q(CSynchronizeModel::FormatTime(m_model->CurrentTimeMs())));
    if (!running) {
        if (m_display.isActive()) RunEnded();
        return;
    }
    m_pictureTime->setText(Q(CSynchronizeModel::FormatTime(m_model->PictureTimeMs())));
    Button("NextPicture")->setEnabled(m_model->NextEnabled());
    if (m_model->CurrentIndex() != m_shownIndex) ShowPreviews();
    ShowWaveform();
}

void CSynchronizeDlg::ShowPreviews() {
    m_shownIndex = m_model->CurrentIndex();
    CPicturePreparation& preparation = m_manager.GetCreation().GetPicturePreparation();
    for (int i = 0; i < 3; ++i) {
        const CProjectObject* o = m_manager.GetObject(m_shownIndex + i);
        std::unique_ptr<CDibPicture> picture =
            o ? SyncPreviewPicture(preparation, *o, m_manager.GetQuality()) : nullptr;
        m_previews[size_t(i)]->setPixmap(picture ? QPixmap::fromImage(ImageFromPicture(*picture))
                                                 : BlankPreview());
        QString motion;
        if (o && o->pictureMove)
            motion = Text("PictureMove");
        else if (o && o->panoramaScrolling)
            motion = Text("PanoramaScroll");
        m_motion[size_t(i)]->setText(motion);
    }
}

void CSynchronizeDlg::ClearPreviews() {
    for (size_t i = 0; i < m_previews.size(); ++i) {
        m_previews[i]->setPixmap(BlankPreview());
        m_motion[i]->clear();
    }
}

void CSynchronizeDlg::ShowWaveform() {
    if (!m_model || !m_player) {
        m_waveform->SetView({}, 0, kRunningViewMs, {}, 0, false);
        return;
    }
    const bool running = m_model->IsRunning();
    const int64_t now = m_model->CurrentTimeMs();
    std::vector<int64_t> presses = m_model->PressTimes();
    // After a run: all of it, with a little room after the last press so its marker shows.
    const int64_t end = presses.empty() ? now : presses.back();
    int64_t to = running ? std::max(now, kRunningViewMs) : std::max<int64_t>(1000, end + end / 25);
    int64_t from = running ? to - kRunningViewMs : 0;
    CSyncAudioPlayer* player = m_player.get();
    std::vector<uint8_t> values = RunOutline(
        m_model->Pieces(), m_model->Entries(), [player](int entry) { return player->Outline(entry); }, from,
        to, std::max(1, m_waveform->width()));
    m_waveform->SetView(std::move(values), from, to, std::move(presses), now, running);
}

// ---- closing -----------------------------------------------------------------------------------------

void CSynchronizeDlg::accept() {
    if (m_preprocessing || (m_model && m_model->IsRunning())) return;
    PromptAnswer answer = m_prompt.Ask(S(Text("ApplyQuestion")), S(Text("ApplyCaption")),
                                       PromptButtons::YesNoCancel, PromptAnswer::No);
    if (answer != PromptAnswer::Yes) return;
    if (m_model) CSynchronizeModel::WriteFrames(m_manager, m_model->Apply());
    QDialog::accept();
}

void CSynchronizeDlg::reject() {
    if (m_preprocessing) {
        // Cancelling the preprocessing closes the dialog once the worker has stopped.
        if (m_job) m_job->Cancel();
        return;
    }
    if (m_model && m_model->IsRunning()) StopRun();
    QDialog::reject();
}

}  // namespace trov
