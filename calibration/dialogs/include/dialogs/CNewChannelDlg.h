// The new-project wizard: solution page, layout page (resolution, layout,
// stack number and the projectors' addresses) and, for the blending
// solutions, the overlap page. OK writes the document; Cancel leaves it as it was.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "dialogs/wizard_logic.h"
#include "vantis/messages/error_report.h"
#include "vantis/model/document.h"
#include "vantis/model/reachability.h"

class CBlendPage;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;

class CNewChannelDlg : public QDialog {
  public:
    CNewChannelDlg(VantisAuto::CDoc& doc, vantis::model::EchoProber& prober, QWidget* parent = nullptr);
    ~CNewChannelDlg() override;

    // Warnings ("IP address repeat !") and the apply step's error report;
    // message boxes and nothing by default.
    void SetWarningHandler(std::function<void(const QString&)> h) { warn_ = std::move(h); }
    void SetReportHandler(std::function<void(const vantis::messages::ErrorReport&)> h) {
        report_ = std::move(h);
    }

    meridan::dialogs::WizardModel& Model() { return model_; }
    int Page() const;  // 0, 1 or 2
    void OnNext();
    void OnPrevious();
    void OnOk();
    void OnCancel();

    QListWidget* SolutionList() const { return solutions_; }
    QCheckBox* PrecutBox() const { return precut_; }
    QComboBox* ResolutionCombo() const { return resolution_; }
    QComboBox* LayoutCombo() const { return layout_; }
    QSpinBox* StackSpin() const { return stack_; }
    QTableWidget* AddressList() const { return addresses_; }
    CBlendPage* OverlapPage() const { return blendPage_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* OkButton() const { return ok_; }

  protected:
    void reject() override { OnCancel(); }

  private:
    void BuildPages();
    void ShowPage(int page);
    void ShowLayoutPage();
    void FillAddressList();
    void ReadAddressList();
    bool CheckNetwork();
    void RunApply();

    VantisAuto::CDoc& doc_;
    vantis::model::EchoProber& prober_;
    meridan::dialogs::WizardModel model_;
    VantisAuto::CDoc wizardChannels_;   // opened by the apply step
    VantisAuto::CDoc previewChannels_;  // the overlap page's preview
    std::function<void(const QString&)> warn_;
    std::function<void(const vantis::messages::ErrorReport&)> report_;
    bool filling_ = false;

    QStackedWidget* pages_ = nullptr;
    QListWidget* solutions_ = nullptr;
    QButtonGroup* port_ = nullptr;
    QCheckBox* precut_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QComboBox* layout_ = nullptr;
    QSpinBox* stack_ = nullptr;
    QTableWidget* addresses_ = nullptr;
    CBlendPage* blendPage_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
