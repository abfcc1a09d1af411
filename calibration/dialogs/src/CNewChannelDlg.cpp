#include "dialogs/CNewChannelDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <atomic>
#include <thread>

#include "dialogs/CBlendPage.h"
#include "meridan/skin/CSkinButton.h"
#include "vantis/ipv4.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/timing.h"

using namespace meridan::dialogs;

namespace {

QString Dotted(std::uint32_t a) {
    return QString::fromStdString(vantis::FormatIpv4(a));
}

bool ParseAddress(const QString& text, std::uint32_t* out) {
    const auto address = vantis::ParseIpv4(text.trimmed().toStdString());
    if (address) *out = *address;
    return address.has_value();
}

}  // namespace

CNewChannelDlg::CNewChannelDlg(VantisAuto::CDoc& doc, vantis::model::EchoProber& prober, QWidget* parent)
    : QDialog(parent), doc_(doc), prober_(prober) {
    setObjectName("newChannelDlg");
    setWindowTitle(tr("New Project"));
    model_.LoadFrom(doc_);
    BuildPages();
    blendPage_->LoadFrom(doc_);
    ShowPage(0);
}

CNewChannelDlg::~CNewChannelDlg() {
    CloseWizardChannels(wizardChannels_, false);
    CloseWizardChannels(previewChannels_, false);
}

void CNewChannelDlg::BuildPages() {
    auto* top = new QVBoxLayout(this);
    pages_ = new QStackedWidget(this);
    top->addWidget(pages_, 1);

    // Page 1: solution, input port, precut source.
    auto* p1 = new QWidget;
    auto* l1 = new QGridLayout(p1);
    solutions_ = new QListWidget(p1);
    solutions_->setObjectName("solutionList");
    for (const char* s : {"Stacking", "Blending", "Stacking & Blending"}) solutions_->addItem(tr(s));
    solutions_->setCurrentRow(model_.solution);
    l1->addWidget(new QLabel(tr("Solution"), p1), 0, 0);
    l1->addWidget(solutions_, 1, 0, 1, 2);
    port_ = new QButtonGroup(p1);
    auto* hdmi = new QRadioButton(tr("HDMI"), p1);
    auto* dvi = new QRadioButton(tr("DVI"), p1);
    port_->addButton(hdmi, 0);
    port_->addButton(dvi, 1);
    (model_.inputPort == 1 ? dvi : hdmi)->setChecked(true);
    l1->addWidget(hdmi, 2, 0);
    l1->addWidget(dvi, 2, 1);
    precut_ = new QCheckBox(tr("Precut Source"), p1);
    precut_->setObjectName("precutBox");
    precut_->setChecked(model_.blend);
    precut_->setEnabled(model_.PrecutEnabled());
    l1->addWidget(precut_, 3, 0);
    connect(solutions_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        model_.ChooseSolution(row);
        const QSignalBlocker block(precut_);
        precut_->setChecked(model_.blend);
        precut_->setEnabled(model_.PrecutEnabled());
    });
    connect(precut_, &QCheckBox::toggled, this, [this](bool) { model_.TogglePrecut(); });
    connect(port_, &QButtonGroup::idClicked, this, [this](int id) { model_.inputPort = id; });
    pages_->addWidget(p1);

    // Page 2: resolution, layout, stack number, addresses.
    auto* p2 = new QWidget;
    auto* l2 = new QGridLayout(p2);
    resolution_ = new QComboBox(p2);
    resolution_->setObjectName("resolutionCombo");
    layout_ = new QComboBox(p2);
    layout_->setObjectName("layoutCombo");
    stack_ = new QSpinBox(p2);
    stack_->setObjectName("stackSpin");
    stack_->setRange(1, 8);
    addresses_ = new QTableWidget(0, 3, p2);
    addresses_->setObjectName("addressList");
    addresses_->setHorizontalHeaderLabels({tr("IP Address"), tr("Row"), tr("Column")});
    addresses_->setColumnWidth(0, 251);
    addresses_->setColumnWidth(1, 140);
    addresses_->setColumnWidth(2, 140);
    l2->addWidget(new QLabel(tr("Resolution"), p2), 0, 0);
    l2->addWidget(resolution_, 0, 1);
    l2->addWidget(new QLabel(tr("Layout"), p2), 1, 0);
    l2->addWidget(layout_, 1, 1);
    l2->addWidget(new QLabel(tr("Stack Number"), p2), 2, 0);
    l2->addWidget(stack_, 2, 1);
    l2->addWidget(addresses_, 3, 0, 1, 2);
    connect(resolution_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (filling_ || i < 0) return;
        ReadAddressList();
        model_.SetTiming(resolution_->itemData(i).toInt());
        ShowLayoutPage();
    });
    connect(layout_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (filling_ || i < 0) return;
        model_.SetLayout(layout_->itemData(i).toInt());
        FillAddressList();
    });
    connect(stack_, &QSpinBox::valueChanged, this, [this](int v) {
        if (filling_) return;
        ReadAddressList();
        model_.SetStack(v);
        const QSignalBlocker block(stack_);
        stack_->setValue(model_.stack);
        FillAddressList();
    });
    pages_->addWidget(p2);

    // Page 3: overlap.
    blendPage_ = new CBlendPage;
    pages_->addWidget(blendPage_);

    auto* buttons = new QHBoxLayout;
    previous_ = new CSkinButton(tr("<Previous"), this);
    next_ = new CSkinButton(tr("Next>"), this);
    ok_ = new CSkinButton(tr("OK"), this);
    cancel_ = new CSkinButton(tr("Cancel"), this);
    next_->setObjectName("nextButton");
    previous_->setObjectName("previousButton");
    ok_->setObjectName("okButton");
    cancel_->setObjectName("cancelButton");
    buttons->addStretch(1);
    for (auto* b : {previous_, next_, ok_, cancel_}) buttons->addWidget(b);
    top->addLayout(buttons);
    connect(next_, &QPushButton::clicked, this, [this] { OnNext(); });
    connect(previous_, &QPushButton::clicked, this, [this] { OnPrevious(); });
    connect(ok_, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
}

int CNewChannelDlg::Page() const {
    return pages_->currentIndex();
}

void CNewChannelDlg::ShowPage(int page) {
    pages_->setCurrentIndex(page);
    previous_->setVisible(page > 0);
    const bool last = page == 2 || (page == 1 && model_.solution == kStacking);
    next_->setVisible(!last);
    ok_->setVisible(last);
}

void CNewChannelDlg::ShowLayoutPage() {
    filling_ = true;
    resolution_->clear();
    for (const auto& c : vantis::model::kWizardTimings) {
        const auto offered = ResolutionChoices(model_.blend);
        if (std::find(offered.begin(), offered.end(), c.timing) != offered.end())
            resolution_->addItem(QString::fromLatin1(c.label), c.timing);
    }
    resolution_->setCurrentIndex(std::max(0, resolution_->findData(model_.timing)));
    layout_->clear();
    for (int l : LayoutChoices(model_.solution, model_.blend, model_.timing))
        layout_->addItem(QString::fromLatin1(vantis::model::kLayoutLabels[static_cast<std::size_t>(l)]), l);
    layout_->setCurrentIndex(std::max(0, layout_->findData(model_.layout)));
    stack_->setValue(model_.stack);
    stack_->setEnabled(model_.StackEditable());
    filling_ = false;
    FillAddressList();
}

void CNewChannelDlg::FillAddressList() {
    filling_ = true;
    addresses_->setRowCount(static_cast<int>(model_.entries.size()));
    for (int i = 0; i < addresses_->rowCount(); ++i) {
        const auto& e = model_.entries[static_cast<std::size_t>(i)];
        auto* ip = new QTableWidgetItem(Dotted(e.address));
        if (e.colour != 0)
            ip->setForeground(QColor(static_cast<int>(e.colour & 0xFF),
                                     static_cast<int>((e.colour >> 8) & 0xFF),
                                     static_cast<int>((e.colour >> 16) & 0xFF)));
        addresses_->setItem(i, 0, ip);
        for (int c = 1; c < 3; ++c) {
            auto* place = new QTableWidgetItem(QString::number(c == 1 ? e.row : e.column));
            place->setFlags(place->flags() & ~Qt::ItemIsEditable);
            addresses_->setItem(i, c, place);
        }
    }
    filling_ = false;
}

void CNewChannelDlg::ReadAddressList() {
    for (int i = 0; i < addresses_->rowCount() && i < static_cast<int>(model_.entries.size()); ++i) {
        std::uint32_t a = 0;
        if (auto* item = addresses_->item(i, 0); item && ParseAddress(item->text(), &a))
            model_.entries[static_cast<std::size_t>(i)].address = a;
    }
}

bool CNewChannelDlg::CheckNetwork() {
    ReadAddressList();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CheckResult r = NetworkCheck(model_.entries, prober_);
    QApplication::restoreOverrideCursor();
    FillAddressList();
    if (r == CheckResult::Repeated) {
        const QString text = tr("IP address repeat !");
        if (warn_)
            warn_(text);
        else
            QMessageBox::warning(this, windowTitle(), text);
    }
    return r == CheckResult::Passed;
}

void CNewChannelDlg::RunApply() {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setEnabled(false);
    std::atomic<bool> done{false};
    int octet = -1;
    bool ok = true;
    std::thread worker([&] {
        ok = ApplyTiming(wizardChannels_, model_.entries, model_.timing, prober_, &octet);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (!ok && report_) {
        vantis::messages::ErrorReport r;
        r.kind = vantis::messages::kReportKindProjector;
        r.code = vantis::messages::kReportCodeConnect;
        r.text = std::to_string(octet);
        report_(r);
    }
}

void CNewChannelDlg::OnNext() {
    const int page = Page();
    if (page == 0) {
        model_.EnterLayoutPage();
        ShowLayoutPage();
        ShowPage(1);
    } else if (page == 1 && model_.solution != kStacking) {
        if (!CheckNetwork()) return;
        RunApply();
        const bool changed = model_.LayoutChangedSinceOverlap();
        blendPage_->Model().timing = model_.timing;
        blendPage_->Model().layout = model_.layout;
        CloseWizardChannels(previewChannels_, false);
        for (const auto& e : model_.entries) {
            auto* c = previewChannels_.AddChannel(e.address);
            c->m_nColumn = e.column;
            c->m_nRow = e.row;
        }
        blendPage_->SetChannels(&previewChannels_, &prober_);
        blendPage_->Refresh(changed);
        ShowPage(2);
    }
}

void CNewChannelDlg::OnPrevious() {
    if (Page() > 0) ShowPage(Page() - 1);
}

void CNewChannelDlg::OnOk() {
    if (model_.solution == kStacking && !CheckNetwork()) return;
    ReadAddressList();
    const auto& m = blendPage_->Model();
    model_.WriteTo(doc_, m.percent, m.pixels);
    CloseWizardChannels(wizardChannels_, false);
    CloseWizardChannels(previewChannels_, false);
    accept();
}

void CNewChannelDlg::OnCancel() {
    CloseWizardChannels(wizardChannels_, true);
    CloseWizardChannels(previewChannels_, true);
    QDialog::reject();
}
