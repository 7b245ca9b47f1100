// "Creation Settings": the last stop before a creation. The widgets show and forward; every
// decision is CCreationSettingsModel's.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "ui/CreationSettingsModel.h"
#include "ui/WndLanguageManager.h"
#include "ui/qt/QtControls.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

namespace trov {

class CMainViewChooser;

class CCreationSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the range first..last (highest end maxEnd). autoCodecFile: the codec settings file
    // of a batch run; once it is loaded and set up the dialog confirms itself.
    CCreationSettingsDialog(CTROVManager& manager, CCreation& creation,
                            const CWndLanguageManager& mainLanguage, CUserPrompt& prompt,
                            CMainViewChooser& chooser, int first, int last, int maxEnd,
                            std::string codecDirectory, std::string autoCodecFile = {},
                            QWidget* parent = nullptr);
    ~CCreationSettingsDialog() override;

    CCreationSettingsModel& Model() { return m_model; }
    int StartPosition() const { return m_model.StartPosition(); }
    int EndPosition() const { return m_model.EndPosition(); }

    QLineEdit* OutputBox() const { return m_output; }
    QLineEdit* StartBox() const { return m_startBox; }
    QLineEdit* EndBox() const { return m_endBox; }
    QComboBox* QualityCombo() const { return m_quality; }
    QLabel* QualityDescription() const { return m_qualityText; }
    QCheckBox* StreamCacheBox() const { return m_streamCache; }
    QCheckBox* PermanentCacheBox() const { return m_permanentCache; }
    QLineEdit* VideoText() const { return m_videoText; }
    QLineEdit* AudioText() const { return m_audioText; }
    QTreeWidget* CodecList() const { return m_list; }
    QPushButton* Button(const std::string& key) const;

    // The buttons' commands.
    void Browse();
    void ChooseVideo();
    void ChooseAudio();
    void SaveCodecs();
    void StartCreation();
    // Shows the model's video and audio texts (after a set-up made through Model()).
    void RefreshCodecTexts();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* Remember(const char* key, QWidget* widget);
    QPushButton* MakeButton(const char* key);
    QLabel* MakeLabel(const char* key);
    QGroupBox* BuildMovieGroup();
    QGroupBox* BuildCreationGroup();
    QCheckBox* AddCheckRow(QVBoxLayout* column, const char* key);
    QGridLayout* BuildCodecRows();
    QTreeWidget* BuildCodecList();
    void ConnectControls();
    void RegisterTexts(const CWndLanguageManager& mainLanguage);
    void ShowState();
    void PositionsEdited();
    void LoadSelected();
    void LoadAutoCodecFile();

    CCreationSettingsModel m_model;
    CUserPrompt& m_prompt;
    CMainViewChooser& m_chooser;
    std::string m_autoCodecFile;
    CWndLanguageManager m_language;
    std::vector<std::unique_ptr<CWindowControl>> m_adapters;
    std::unique_ptr<CQtPictureList> m_listControl;
    std::map<std::string, QWidget*> m_widgets;  // by language key
    bool m_filling = false;

    QLineEdit* m_output = nullptr;
    QLineEdit* m_startBox = nullptr;
    QLineEdit* m_endBox = nullptr;
    QComboBox* m_quality = nullptr;
    QLabel* m_qualityText = nullptr;
    QCheckBox* m_streamCache = nullptr;
    QCheckBox* m_permanentCache = nullptr;
    QLineEdit* m_videoText = nullptr;
    QLineEdit* m_audioText = nullptr;
    QTreeWidget* m_list = nullptr;
};

}  // namespace trov
