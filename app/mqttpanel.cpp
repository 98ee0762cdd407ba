#include "app/mqttpanel.h"

#include "link/portdescription.h"
#include "monitor/linestates.h"
#include "mqtt/linepublisher.h"
#include "mqtt/linetopics.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kEnabledKey = u"lineView/mqtt/enabled"_s;
const QString kBrokerKey = u"lineView/mqtt/broker"_s;
const QString kLineKey = u"lineView/mqtt/line"_s;
const QString kPrefixKey = u"lineView/mqtt/prefix"_s;
const QString kUserKey = u"lineView/mqtt/user"_s;
const QString kPasswordFileKey = u"lineView/mqtt/passwordFile"_s;
const QString kCaFileKey = u"lineView/mqtt/caFile"_s;

}  // namespace

MqttPanel::MqttPanel(LineStates &states, QSettings *settings, FileChooser chooser, QWidget *parent)
    : QGroupBox(tr("Публиковать в &MQTT"), parent), m_states(states), m_settings(settings),
      m_choose(chooser ? std::move(chooser) : dialogFileChooser(this)), m_fields(new QWidget(this)),
      m_broker(new QLineEdit(m_fields)), m_line(new QLineEdit(m_fields)),
      m_prefix(new QLineEdit(m_fields)), m_user(new QLineEdit(m_fields)),
      m_passwordFile(new QLineEdit(m_fields)), m_choosePasswordFile(new QToolButton(m_fields)),
      m_caFile(new QLineEdit(m_fields)), m_chooseCaFile(new QToolButton(m_fields)),
      m_status(new QLabel(m_fields))
{
    setObjectName(u"mqttGroup"_s);
    setCheckable(true);
    setChecked(false);
    m_broker->setObjectName(u"mqttBroker"_s);
    m_line->setObjectName(u"mqttLine"_s);
    m_prefix->setObjectName(u"mqttPrefix"_s);
    m_user->setObjectName(u"mqttUser"_s);
    m_passwordFile->setObjectName(u"mqttPasswordFile"_s);
    m_choosePasswordFile->setObjectName(u"mqttPasswordFileButton"_s);
    m_caFile->setObjectName(u"mqttCaFile"_s);
    m_chooseCaFile->setObjectName(u"mqttCaFileButton"_s);
    m_status->setObjectName(u"mqttStatus"_s);

    m_broker->setPlaceholderText(u"localhost:1883"_s);
    m_line->setPlaceholderText(tr("по имени порта"));
    m_prefix->setText(MqttSettings().prefix);
    m_choosePasswordFile->setToolTip(tr("Выбрать файл пароля"));
    m_chooseCaFile->setToolTip(tr("Выбрать сертификат ЦС"));
    for (QToolButton *button : {m_choosePasswordFile, m_chooseCaFile}) {
        button->setText(u"…"_s);
        button->setAccessibleName(button->toolTip());
    }
    m_status->setWordWrap(true);
    m_status->setAccessibleName(tr("Состояние публикации в MQTT"));
    m_status->hide();
    // The publisher's state stays readable while a watch locks the fields.
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    m_status->setPalette(palette);

    auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, m_fields);
        l->setBuddy(buddy);
        buddy->setAccessibleName(QString(text).remove(u'&'));
        return l;
    };
    auto withButton = [](QLineEdit *field, QToolButton *button) {
        auto *row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(field, 1);
        row->addWidget(button);
        return row;
    };
    auto *grid = new QGridLayout(m_fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(label(tr("Б&рокер"), m_broker), 0, 0);
    grid->addWidget(m_broker, 0, 1);
    grid->addWidget(label(tr("&Имя линии"), m_line), 0, 2);
    grid->addWidget(m_line, 0, 3);
    grid->addWidget(label(tr("Пр&ефикс"), m_prefix), 0, 4);
    grid->addWidget(m_prefix, 0, 5);
    grid->addWidget(label(tr("Пользо&ватель"), m_user), 1, 0);
    grid->addWidget(m_user, 1, 1);
    grid->addWidget(label(tr("&Файл пароля"), m_passwordFile), 1, 2);
    grid->addLayout(withButton(m_passwordFile, m_choosePasswordFile), 1, 3);
    grid->addWidget(label(tr("Сертификат &ЦС"), m_caFile), 1, 4);
    grid->addLayout(withButton(m_caFile, m_chooseCaFile), 1, 5);
    grid->addWidget(m_status, 2, 0, 1, 6);
    for (const int column : {1, 3, 5})
        grid->setColumnStretch(column, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_fields);

    restore();
    // Unchecked, the group is its title alone, so that the table keeps the
    // room on a small screen.
    const QMargins margins = layout->contentsMargins();
    auto fold = [this, layout, margins](bool on) {
        m_fields->setVisible(on);
        setFlat(!on);
        layout->setContentsMargins(on ? margins : QMargins());
    };
    fold(isChecked());
    connect(this, &QGroupBox::toggled, this, [this, fold](bool on) {
        fold(on);
        remember();
    });
    for (QLineEdit *field : {m_broker, m_line, m_prefix, m_user, m_passwordFile, m_caFile})
        connect(field, &QLineEdit::textChanged, this, &MqttPanel::remember);
    connect(m_choosePasswordFile, &QToolButton::clicked, this,
            [this] { choose(m_passwordFile, tr("Файл пароля MQTT"), tr("Все файлы (*)")); });
    connect(m_chooseCaFile, &QToolButton::clicked, this, [this] {
        choose(m_caFile, tr("Сертификат ЦС брокера MQTT"),
               tr("Сертификаты (*.pem *.crt);;Все файлы (*)"));
    });
}

MqttPanel::~MqttPanel() = default;

QList<QWidget *> MqttPanel::tabChain()
{
    return {this,     m_broker,      m_line, m_prefix, m_user, m_passwordFile, m_choosePasswordFile,
            m_caFile, m_chooseCaFile};
}

void MqttPanel::setPort(const PortDescription &port)
{
    m_line->setPlaceholderText(tr("по имени порта: %1").arg(defaultLineName(port)));
}

void MqttPanel::setEditable(bool editable)
{
    setEnabled(editable);
}

void MqttPanel::restore()
{
    if (!m_settings)
        return;
    setChecked(m_settings->value(kEnabledKey, false).toBool());
    m_broker->setText(m_settings->value(kBrokerKey).toString());
    m_line->setText(m_settings->value(kLineKey).toString());
    m_prefix->setText(m_settings->value(kPrefixKey, MqttSettings().prefix).toString());
    m_user->setText(m_settings->value(kUserKey).toString());
    m_passwordFile->setText(m_settings->value(kPasswordFileKey).toString());
    m_caFile->setText(m_settings->value(kCaFileKey).toString());
}

void MqttPanel::remember() const
{
    if (!m_settings)
        return;
    m_settings->setValue(kEnabledKey, isChecked());
    m_settings->setValue(kBrokerKey, m_broker->text());
    m_settings->setValue(kLineKey, m_line->text());
    m_settings->setValue(kPrefixKey, m_prefix->text());
    m_settings->setValue(kUserKey, m_user->text());
    m_settings->setValue(kPasswordFileKey, m_passwordFile->text());
    m_settings->setValue(kCaFileKey, m_caFile->text());
}

void MqttPanel::choose(QLineEdit *field, const QString &caption, const QString &filter)
{
    const QString current = field->text().trimmed();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString path = m_choose({false, caption, filter, QString(), folder});
    if (!path.isEmpty())
        field->setText(path);
}

bool MqttPanel::startPublishing(const PortDescription &port, const QList<int> &addresses,
                                QString *error)
{
    if (!isChecked())
        return true;
    remember();
    auto refuse = [&](QLineEdit *field, const QString &why) {
        if (field)
            field->setFocus();
        if (error)
            *error = tr("MQTT: %1.").arg(why);
        return false;
    };
    MqttSettings settings;
    QString why;
    if (!parseBrokerAddress(m_broker->text(), settings, &why))
        return refuse(m_broker, why);
    settings.prefix = m_prefix->text().trimmed();
    if (!checkTopicName(tr("Префикс"), settings.prefix, &why))
        return refuse(m_prefix, why);
    settings.line = m_line->text().trimmed();
    if (!settings.line.isEmpty() && !checkTopicName(tr("Имя линии"), settings.line, &why))
        return refuse(m_line, why);
    if (settings.line.isEmpty())
        settings.line = defaultLineName(port);
    settings.user = m_user->text();
    settings.passwordFile = m_passwordFile->text().trimmed();
    settings.caFile = m_caFile->text().trimmed();

    auto *publisher = new LinePublisher(m_states, this);
    connect(publisher, &LinePublisher::notice, this, [this, publisher](const QString &text) {
        if (publisher == m_publisher) {
            m_notice = text;
            showState();
        }
    });
    connect(publisher, &LinePublisher::connectedChanged, this, [this, publisher](bool connected) {
        if (publisher == m_publisher && m_link != Link::Finishing) {
            m_link = connected ? Link::Connected : Link::Lost;
            showState();
        }
    });
    connect(publisher, &LinePublisher::finished, this, [this, publisher] {
        if (publisher == m_publisher) {
            m_publisher = nullptr;
            showState();
        }
        publisher->deleteLater();
    });
    // From here on a publisher still finishing the previous watch is not
    // reported: its successor's words replace its own.
    const QString before = m_notice;
    m_publisher = publisher;
    m_link = Link::Connecting;
    m_notice = tr("MQTT: подключение к брокеру %1…").arg(settings.brokerText());
    if (!publisher->start(settings, addresses, &why)) {
        m_publisher = nullptr;
        delete publisher;
        m_notice = before;
        showState();
        return refuse(nullptr, why);
    }
    m_everStarted = true;
    showState();
    return true;
}

void MqttPanel::finishPublishing()
{
    if (!m_publisher)
        return;
    // The line's next watch, if it starts within the grace, is not this
    // publisher's to report.
    disconnect(&m_states, nullptr, m_publisher, nullptr);
    m_link = Link::Finishing;
    m_notice.clear();
    m_publisher->finish();
    showState();
}

void MqttPanel::showState()
{
    QString state;
    if (!m_publisher) {
        if (m_everStarted)
            state = tr("Публикация в MQTT остановлена.");
    } else {
        switch (m_link) {
        case Link::Connecting:
            state = tr("Брокер MQTT: подключение…");
            break;
        case Link::Connected:
            state = tr("Брокер MQTT: на связи.");
            break;
        case Link::Lost:
            state = tr("Брокер MQTT: нет связи.");
            break;
        case Link::Finishing:
            state = tr("Публикация в MQTT завершается…");
            break;
        }
    }
    QStringList lines;
    for (const QString &line : {state, m_notice})
        if (!line.isEmpty())
            lines << line;
    m_status->setText(lines.join(u'\n'));
    m_status->setVisible(!lines.isEmpty());
    m_status->setStyleSheet(m_publisher && m_link == Link::Lost ? u"color: red"_s : QString());
}
