// The creation settings dialog's decisions (see the header).
#include "ui/CreationSettingsModel.h"

#include <algorithm>
#include <mutex>

#include "audio/AudioFormats.h"
#include "creation/Creation.h"
#include "creation/TROVManager.h"
#include "infra/UserPrompt.h"
#include "settings/ApplicationSettings.h"
#include "settings/SettingsStore.h"
#include "video/CodecSettings.h"
#include "video/ContainerCodecs.h"
#include "video/VideoCodecs.h"

namespace trov {

const std::vector<SQualityChoice>& QualityChoices() {
    static const std::vector<SQualityChoice> choices{
        {"Production", "Quality.Production", "Good Quality - Normal Creation (Default)", 0},
        {"Final Production", "Quality.FinalProduction",
         "Excellent Quality - Slowest Creation (Use this, if you want the best quality; needs ~40% more time "
         "than Default)",
         1},
    };
    return choices;
}

SPositionCheck CheckPositions(const std::string& startText, const std::string& endText, int maxEnd) {
    SPositionCheck c;
    c.start = CSettingsStore::ParseInt(startText);
    c.end = CSettingsStore::ParseInt(endText);
    auto fix = [&c](int& v, int lowest, int highest) {
        int fixed = std::min(std::max(v, lowest), std::max(highest, lowest));
        if (fixed != v) c.corrected = true;
        v = fixed;
    };
    fix(c.start, 0, std::max(c.start, 0));
    fix(c.end, 0, maxEnd);
    return c;
}

CCreationSettingsModel::CCreationSettingsModel(CTROVManager& manager, CCreation& creation,
                                               CUserPrompt& prompt, std::string codecDirectory)
    : m_manager(manager),
      m_creation(creation),
      m_prompt(prompt),
      m_codecDirectory(std::move(codecDirectory)) {}

std::string CCreationSettingsModel::Text(const std::string& key, const std::string& fallback) const {
    return m_text ? m_text(key, fallback) : fallback;
}

void CCreationSettingsModel::Open(int first, int last, int maxEnd) {
    m_videoFailed = false;
    m_setUpFor.clear();
    m_maxEnd = std::max(maxEnd, 0);
    m_start = first;
    m_end = last;
    const int quality = m_manager.GetQuality();
    m_qualityName = QualityChoices().front().name;
    for (const SQualityChoice& q : QualityChoices())
        if (q.value == quality) m_qualityName = q.name;
    RefreshAudioText();
    m_outputFile.clear();
    m_manager.GetProjectSettings().GetString(kProjectSettings, projkey::kOutputAVI, m_outputFile);
    // A previous run's codec is offered again; it is set up for this run's file on "Start Creation".
    const CompressionOptions& previous = m_creation.GetCompressionOptions();
    m_videoText = previous.fccHandler != 0 ? GetVideoCodecName(&previous) : std::string(kNotSetText);
    m_streamCache = m_creation.IsStreamCacheEnabled();
    m_permanentCache = m_manager.IsPermanentCacheEnabled();
}

std::string CCreationSettingsModel::QualityDescription() const {
    return QualityDescription(m_qualityName);
}

std::string CCreationSettingsModel::QualityDescription(const std::string& name) const {
    for (const SQualityChoice& q : QualityChoices())
        if (name == q.name) return Text(q.descriptionKey, q.description);
    return {};
}

bool CCreationSettingsModel::PositionsChanged(const std::string& startText, const std::string& endText,
                                              const std::function<void()>& rewrite) {
    if (m_rewriting) return false;
    SPositionCheck c = CheckPositions(startText, endText, m_maxEnd);
    m_start = c.start;
    m_end = c.end;
    if (!c.corrected) return false;
    m_rewriting = true;
    if (rewrite) rewrite();
    m_rewriting = false;
    return true;
}

bool CCreationSettingsModel::SelectQuality(const std::string& name) {
    for (const SQualityChoice& q : QualityChoices()) {
        if (name != q.name) continue;
        m_qualityName = q.name;
        m_manager.SetQuality(q.value);
        return true;
    }
    return false;
}

void CCreationSettingsModel::SetStreamCache(bool on) {
    m_streamCache = on;
    m_creation.SetStreamCacheEnabled(on);
    m_manager.GetAppSettings().SetInt(kTrovSettings, appkey::kEnableVideoStreamCache, on ? 1 : 0);
    m_manager.SaveAppSettings();
    if (on) m_prompt.Message(kStreamCacheReminder);
}

void CCreationSettingsModel::SetPermanentCache(bool on) {
    m_permanentCache = on;
    m_manager.SetPermanentCache(on);
    if (on) m_prompt.Message(kPermanentCacheReminder);
}

void CCreationSettingsModel::ResetCache() {
    m_manager.ClearCache();
}

void CCreationSettingsModel::SetOutputFile(const std::string& path) {
    if (path.empty()) return;
    m_outputFile = path;
    m_manager.GetProjectSettings().SetString(kProjectSettings, projkey::kOutputAVI, path);
}

std::string CCreationSettingsModel::ResolvedOutputPath() const {
    return m_manager.GetOutputPath(m_outputFile);
}

void CCreationSettingsModel::VideoSetUpDone(bool ok) {
    m_videoFailed = !ok;
    if (ok) {
        m_setUpFor = ResolvedOutputPath();
        m_videoText = GetVideoCodecName(&m_creation.GetCompressionOptions());
    } else {
        m_setUpFor.clear();
        m_videoText = kVideoCodecErrorText;
    }
}

bool CCreationSettingsModel::ChooseVideoCodec() {
    bool ok = m_creation.CreateNewAVI(ResolvedOutputPath(), nullptr, false);
    VideoSetUpDone(ok);
    return ok;
}

bool CCreationSettingsModel::SetUpVideoCodec(const CompressionOptions& options) {
    bool ok = m_creation.CreateNewAVI(ResolvedOutputPath(), &options, false);
    VideoSetUpDone(ok);
    return ok;
}

void CCreationSettingsModel::RefreshAudioText() {
    std::lock_guard lock(GetAudioSlotMutex());
    m_audioText =
        GetAudioFormatSlot(kOutputAudioSlot).format.IsEmpty() ? std::string(kNotSetText) : GetFormatText(0);
}

void CCreationSettingsModel::ChooseAudioCodec(void* owner) {
    SelectOutputAudioCodec(owner);
    // "No audio" in the chooser empties the slot; every outcome shows what the slot holds now.
    RefreshAudioText();
}

namespace {

void AddRow(CListControl& list, const CodecSettingsRow& row) {
    int index = list.GetRowCount();
    list.InsertRow(index, row.fileName);
    if (list.GetColumnCount() > 1) list.SetCellText(index, 1, row.video);
    if (list.GetColumnCount() > 2) list.SetCellText(index, 2, row.audio);
}

}  // namespace

void CCreationSettingsModel::FillCodecList(CListControl& list) const {
    list.DeleteAllRows();
    for (const CodecSettingsRow& row : ListCodecSettings(m_codecDirectory)) AddRow(list, row);
}

std::string CCreationSettingsModel::SaveCodecSettings(CListControl& list) {
    if (m_videoText == kNotSetText && m_audioText == kNotSetText) return {};
    CodecSettingsRecord record;
    record.hasVideo = !m_setUpFor.empty() && !m_videoFailed;
    if (record.hasVideo) record.video = m_creation.GetCompressionOptions();
    StoreOutputAudio(record);
    record.videoDescription = m_videoText;
    record.audioDescription = m_audioText;
    std::string name = trov::SaveCodecSettings(record, m_codecDirectory);
    if (!name.empty()) AddRow(list, {m_videoText, m_audioText, name});
    return name;
}

bool CCreationSettingsModel::LoadCodecSettings(const std::string& fileName, void* owner) {
    CodecSettingsRecord record;
    // Audio bytes the file lacks keep the slot's.
    StoreOutputAudio(record);
    if (!trov::LoadCodecSettings(fileName, record, m_codecDirectory)) return false;
    bool video = SetUpVideoCodec(record.video);
    std::string text;
    if (RestoreOutputAudio(record, owner, &text)) m_audioText = text;
    return video;
}

bool CCreationSettingsModel::DeleteCodecSettings(CListControl& list, int row) {
    if (row < 0 || row >= list.GetRowCount()) return false;
    if (m_beep) m_beep();
    if (m_prompt.Ask(kDeleteCodecSettingsQuestion, kDeleteCodecSettingsCaption, PromptButtons::YesNoCancel,
                     PromptAnswer::No) != PromptAnswer::Yes)
        return false;
    trov::DeleteCodecSettings(list.GetCellText(row, 0), m_codecDirectory);
    // The rows below move up: the list is rebuilt from what is left.
    std::vector<CodecSettingsRow> rows;
    for (int i = 0; i < list.GetRowCount(); ++i)
        if (i != row)
            rows.push_back({list.GetColumnCount() > 1 ? list.GetCellText(i, 1) : std::string(),
                            list.GetColumnCount() > 2 ? list.GetCellText(i, 2) : std::string(),
                            list.GetCellText(i, 0)});
    list.DeleteAllRows();
    for (const CodecSettingsRow& r : rows) AddRow(list, r);
    return true;
}

bool CCreationSettingsModel::CheckStart() {
    // The command line's own refusals, in its order: the output file, then the movie's format.
    const std::string path = ResolvedOutputPath();
    std::string problem = m_manager.OutputProblem(path);
    if (problem.empty()) problem = m_manager.MovieFormatProblem();
    if (!problem.empty()) {
        m_prompt.Message("The movie can not be created: " + problem + ".");
        return false;
    }
    // The last set-up was made for another file (Browse since) or in an earlier run: the same
    // codec is set up again for this file.
    if (!m_videoFailed && m_setUpFor != path && m_creation.GetCompressionOptions().fccHandler != 0)
        SetUpVideoCodec(m_creation.GetCompressionOptions());
    if (m_videoFailed || m_setUpFor.empty()) {
        m_prompt.Message(kSpecifyCodecsText);
        return false;
    }
    if (std::string mismatch = CheckOutputCombination(path, m_creation.GetCompressionOptions().fccHandler,
                                                      OutputAudioFormatTag());
        !mismatch.empty()) {
        m_prompt.Message(mismatch + ".");
        return false;
    }
    return true;
}

int CreationExitCode(const SCreationRunFacts& facts) {
    if (!facts.hadEntries) return 1;
    if (facts.written) return 0;
    if (facts.cancelled) return 130;
    if (!facts.checkPassed) return 1;
    if (!facts.dialogConfirmed) return 2;
    return 3;
}

}  // namespace trov
