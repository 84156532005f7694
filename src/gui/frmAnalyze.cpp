#include "gui/frmAnalyze.h"

#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "pe/PeAnalyzer.h"
#include "store/Message.h"
#include "ui_frmAnalyze.h"

#include <QFileDialog>
#include <QFontDatabase>

namespace quorvel::gui {

namespace {

// Qt has no Windows-style "|" filter; this is the same filter in its own form.
constexpr const char* kPeFilter = "PE [Portable Executable] (*.exe *.dll *.ocx)";

bool EvenWidths(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(QLatin1Char('i')) ==
           metrics.horizontalAdvance(QLatin1Char('W'));
}

// The report's lines end in CR LF; the views show lines, not carriage returns.
QString ViewText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

} // namespace

frmAnalyze::frmAnalyze(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_ui(std::make_unique<Ui::frmAnalyze>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);

    m_views[0] = m_ui->Text1;
    m_views[1] = m_ui->Text2;
    m_views[2] = m_ui->Text3;
    m_views[3] = m_ui->Text4;
    m_views[4] = m_ui->Text5;
    m_options[0] = m_ui->Option1_0;
    m_options[1] = m_ui->Option1_1;
    m_options[2] = m_ui->Option1_2;
    m_options[3] = m_ui->Option1_3;
    m_options[4] = m_ui->Option1_4;

    // Fixed pitch, so the report's dotted columns line up.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!EvenWidths(fixed)) {
        // Platforms without a theme name no fixed font; ask the font matcher for one.
        fixed.setFamily(QStringLiteral("monospace"));
        fixed.setStyleHint(QFont::TypeWriter);
    }
    for (int i = 0; i < 5; ++i) {
        m_views[i]->setFont(fixed);
        connect(m_options[i], &QRadioButton::clicked, this, [this, i] { showView(i); });
    }

    m_timer1.setObjectName("Timer1");
    m_timer1.setSingleShot(true);
    m_timer1.setInterval(100);
    connect(&m_timer1, &QTimer::timeout, this, &frmAnalyze::classify);
    connect(m_ui->cmdLoad, &QPushButton::clicked, this, &frmAnalyze::loadFile);
    connect(m_ui->cmdAnalyze, &QPushButton::clicked, this, &frmAnalyze::analyze);

    m_options[0]->setChecked(true);
    showView(0);
}

frmAnalyze::~frmAnalyze() = default;

void frmAnalyze::showView(int index) {
    for (int i = 0; i < 5; ++i)
        m_views[i]->setVisible(i == index);
}

void frmAnalyze::loadFile() {
    m_state.startLoad();
    m_ui->infotxt->setText(QString::fromStdString(m_state.info()));

    QFileDialog dialog(this, m_ui->cmdLoad->text());
    dialog.setObjectName("UniDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(kPeFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    if (path.isEmpty())
        return;

    const pe::PeAnalysis analysis =
        pe::AnalyzePeFile(*m_context.platform.files, path.toStdString());
    if (m_state.loaded(analysis)) {
        showViews();
        m_ui->infotxt->setText(QString::fromStdString(m_state.info()));
    }
    m_ui->Label2->setText(QString::fromStdString(m_state.status()));
    if (!analysis.message.empty())
        MessageBox::critical(this, store::kProductTitle, QString::fromStdString(analysis.message));
}

void frmAnalyze::analyze() {
    m_state.analyze();
    showViews();
    m_timer1.start();
}

void frmAnalyze::showViews() {
    const pe::PeReport& views = m_state.views();
    // One setPlainText per view: a report of tens of thousands of import lines costs one
    // document build, not one call per line.
    m_views[0]->setPlainText(ViewText(views.dosText));
    m_views[1]->setPlainText(ViewText(views.ntText));
    m_views[2]->setPlainText(ViewText(views.sectionText));
    m_views[3]->setPlainText(ViewText(views.exportText));
    m_views[4]->setPlainText(ViewText(views.importText));
}

void frmAnalyze::classify() {
    if (m_state.classify())
        m_ui->infotxt->setText(QString::fromStdString(m_state.info()));
}

} // namespace quorvel::gui
