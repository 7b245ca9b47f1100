// The two codec choosers of the creation settings dialog: "Choose Video Codec" (the encoders this
// FFmpeg build has, quality, key frames, data rate, encoder options, and at once whether the
// encoder can take the movie size) and "Choose Audio Codec" (a format tag, then its formats, or
// no audio). Installed as the core's choosers, so the output set-up and the audio selection open
// them where they need a choice.
#pragma once

#include <QDialog>
#include <QString>
#include <initializer_list>
#include <string>
#include <vector>

#include "audio/AudioFormats.h"
#include "imaging/Picture.h"
#include "video/VideoTypes.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace trov {

class CWndLanguageManager;

// A text of the creation settings dialog's section (which holds the choosers' texts) in the
// language of `language`; the table's English text without one.
QString CodecDialogText(const CWndLanguageManager* language, const char* key);
// text with each "%d" replaced by the next of numbers (a language file's text never reaches printf).
QString WithNumbers(QString text, std::initializer_list<int> numbers);

inline constexpr const char* kChooseVideoCodecTitle = "Choose Video Codec";
inline constexpr const char* kChooseAudioCodecTitle = "Choose Audio Codec";
inline constexpr const char* kNoAudioEntry = "No audio";

class CVideoCodecDialog : public QDialog {
    Q_OBJECT
public:
    // input: the movie's picture format; previous: the last choice (all zero for none); outputPath
    // selects the container the encoder must fit.
    CVideoCodecDialog(const BitmapInfoHeader& input, const CompressionOptions& previous,
                      const std::string& outputPath, QWidget* parent = nullptr,
                      const CWndLanguageManager* language = nullptr);
    // The choice (fccHandler, dwQuality, dwBytesPerSecond, state).
    CompressionOptions Choice() const;

    QListWidget* Encoders() const { return m_encoders; }
    QSpinBox* QualityBox() const { return m_quality; }
    QLabel* KeyFrameText() const { return m_keyFrames; }
    QSpinBox* DataRateBox() const { return m_dataRate; }
    QLineEdit* OptionsBox() const { return m_options; }
    // Empty when the chosen encoder can compress the movie; else why not.
    QString Problem() const;
    QPushButton* OkButton() const { return m_ok; }

private:
    void BuildForm(QVBoxLayout* layout);
    void SelectPrevious(const CompressionOptions& previous);
    void EncoderChanged();
    void Check();
    QString Text(const char* key) const { return CodecDialogText(m_language, key); }

    const CWndLanguageManager* m_language;
    int m_width;
    int m_height;
    std::string m_outputPath;
    QListWidget* m_encoders = nullptr;
    QSpinBox* m_quality = nullptr;
    QLabel* m_keyFrames = nullptr;
    QSpinBox* m_dataRate = nullptr;
    QLineEdit* m_options = nullptr;
    QLabel* m_check = nullptr;
    QLabel* m_encoderNote = nullptr;
    QPushButton* m_ok = nullptr;
};

class CAudioCodecDialog : public QDialog {
    Q_OBJECT
public:
    // tagIndex/formatIndex: the initial selection (-1: none).
    CAudioCodecDialog(const std::vector<SAudioFormatTag>& tags, int tagIndex, int formatIndex,
                      QWidget* parent = nullptr, const CWndLanguageManager* language = nullptr);
    // The core's title of the chooser, in the dialog's language when it is one the table knows.
    void SetCoreTitle(const std::string& title);
    // -1 for "No audio".
    int TagIndex() const;
    int FormatIndex() const;

    QListWidget* Tags() const { return m_tags; }
    QListWidget* Formats() const { return m_formats; }
    QPushButton* OkButton() const { return m_ok; }

private:
    void FillFormats();

    const CWndLanguageManager* m_language;
    const std::vector<SAudioFormatTag>& m_tagList;
    QListWidget* m_tags = nullptr;
    QListWidget* m_formats = nullptr;
    QPushButton* m_ok = nullptr;
};

// Makes the core's video codec choice and audio format chooser open these dialogs (parent: the
// window they belong to, language: its texts; the output path: what the video codec must fit).
// Calls from other threads are shown by the GUI thread while the caller waits.
void InstallCodecChoosers(QWidget* parent, const CWndLanguageManager* language = nullptr);
void SetVideoChooserOutputPath(const std::string& outputPath);
void UninstallCodecChoosers();

}  // namespace trov
