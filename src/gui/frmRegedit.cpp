#include "gui/frmRegedit.h"

#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "store/Message.h"
#include "ui_frmRegedit.h"

#include <QCheckBox>

namespace quorvel::gui {

namespace {

Qt::CheckState CheckStateOf(regguard::PolicyBox box) {
    switch (box) {
    case regguard::PolicyBox::Unchecked:
        return Qt::Unchecked;
    case regguard::PolicyBox::Checked:
        return Qt::Checked;
    case regguard::PolicyBox::Greyed:
        return Qt::PartiallyChecked;
    }
    return Qt::Unchecked;
}

regguard::PolicyBox PolicyBoxOf(Qt::CheckState state) {
    switch (state) {
    case Qt::Unchecked:
        return regguard::PolicyBox::Unchecked;
    case Qt::Checked:
        return regguard::PolicyBox::Checked;
    case Qt::PartiallyChecked:
        return regguard::PolicyBox::Greyed;
    }
    return regguard::PolicyBox::Unchecked;
}

} // namespace

frmRegedit::frmRegedit(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_ui(std::make_unique<Ui::frmRegedit>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    if (parent)
        setWindowIcon(parent->window()->windowIcon());
#ifndef Q_OS_LINUX
    m_ui->lblPlatformNote->hide();
#endif

    m_read = regguard::RegPolicies::Read(*m_context.platform.registry);
    const auto& values = regguard::PolicyValues();
    for (size_t i = 0; i < regguard::kPolicyCount; ++i) {
        QCheckBox* box = findChild<QCheckBox*>(QString::fromUtf8(values[i].control));
        m_boxes[i] = box;
        const regguard::PolicyBox shown = m_read.box(i);
        // The greyed state comes only from the registry; a click leaves it for good.
        box->setTristate(shown == regguard::PolicyBox::Greyed);
        box->setCheckState(CheckStateOf(shown));
        box->setToolTip(QString::fromStdString(m_read.hiddenNote(i)));
        connect(box, &QCheckBox::clicked, box, [box] {
            if (box->checkState() != Qt::PartiallyChecked)
                box->setTristate(false);
        });
    }
    for (QCheckBox* box :
         {m_ui->chkregsys_0, m_ui->chkregsys_1, m_ui->chkregsys_2, m_ui->chkregsys_3})
        box->setTristate(false);
    m_ui->Label2->setText(QString::fromUtf8(m_read.status()));

    connect(m_ui->cmdreg_0, &QPushButton::clicked, this, [this] { showPage(m_ui->frGeneral); });
    connect(m_ui->cmdreg_1, &QPushButton::clicked, this, [this] { showPage(m_ui->frSystem); });
    connect(m_ui->cmdreg_3, &QPushButton::clicked, this, [this] { showPage(m_ui->frNetwork); });
    connect(m_ui->cmdApply, &QPushButton::clicked, this, &frmRegedit::apply);
    showPage(m_ui->frGeneral);
}

frmRegedit::~frmRegedit() = default;

void frmRegedit::showPage(QGroupBox* page) {
    for (QGroupBox* frame : {m_ui->frGeneral, m_ui->frSystem, m_ui->frNetwork})
        frame->setVisible(frame == page);
}

void frmRegedit::apply() {
    std::array<regguard::PolicyBox, regguard::kPolicyCount> boxes{};
    for (size_t i = 0; i < regguard::kPolicyCount; ++i)
        boxes[i] = PolicyBoxOf(m_boxes[i]->checkState());
    const regguard::ApplyOutcome outcome =
        regguard::ApplyPolicies(*m_context.platform.registry, m_read, boxes);
    if (!outcome.ok()) {
        // Not applied: the window stays, so the user sees what the registry did not take.
        MessageBox::critical(this, store::kProductTitle, QString::fromStdString(outcome.message()));
        return;
    }
    close();
}

} // namespace quorvel::gui
