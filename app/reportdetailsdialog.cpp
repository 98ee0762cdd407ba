#include "app/reportdetailsdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Where the last site and installer are kept.
const QString kSiteKey = u"report/site"_s;
const QString kInstallerKey = u"report/installer"_s;

}  // namespace

ReportDetailsDialog::ReportDetailsDialog(QWidget *parent, QSettings *settings)
    : QDialog(parent), m_settings(settings), m_site(new QLineEdit(this)),
      m_installer(new QLineEdit(this))
{
    setObjectName(u"reportDetailsDialog"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Отчёт о проверке"));
    m_site->setObjectName(u"siteEdit"_s);
    m_installer->setObjectName(u"installerEdit"_s);
    m_site->setMinimumWidth(320);
    if (m_settings) {
        m_site->setText(m_settings->value(kSiteKey).toString());
        m_installer->setText(m_settings->value(kInstallerKey).toString());
    }

    auto *form = new QFormLayout;
    form->addRow(tr("&Объект:"), m_site);
    form->addRow(tr("&Монтажник (Ф. И. О.):"), m_installer);
    auto *note = new QLabel(
        tr("Войдут в отчёт вместе с номером блока. Пустое поле станет строкой, чтобы вписать "
           "от руки."),
        this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(u"reportDetailsButtons"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

QString ReportDetailsDialog::site() const
{
    return m_site->text().trimmed();
}

QString ReportDetailsDialog::installer() const
{
    return m_installer->text().trimmed();
}

void ReportDetailsDialog::accept()
{
    if (m_settings) {
        m_settings->setValue(kSiteKey, site());
        m_settings->setValue(kInstallerKey, installer());
    }
    QDialog::accept();
}
