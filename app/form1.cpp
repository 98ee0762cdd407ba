#include "app/form1.h"

#include "app/chartview.h"
#include "app/colors.h"
#include "app/twips.h"
#include "app/updown.h"
#include "diagram/chartcanvas.h"
#include "diagram/controlpass.h"
#include "diagram/diagramstep.h"
#include "journal/alarmsound.h"
#include "link/codec.h"
#include "link/comports.h"
#include "link/scheduler.h"
#include "link/serialport.h"
#include "monitor/statusdecoder.h"
#include "params/catalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <chrono>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr auto kExchangeTick = 10ms;
constexpr auto kWatchdogPeriod = 2000ms;
constexpr auto kAlarmToneRepeat = 700ms;
constexpr int kClientWidth = 14910;
constexpr int kClientHeight = 9480;

const QString kLinkAlive = u"Установлена связь с блоком. Обмен данными..."_s;
const QString kLinkLost = u"Нет связи с блоком. Проверьте адрес и питание! "_s;
const QString kExchangeStopped = u"Обмен данными остановлен."_s;

}  // namespace

void setTimerEnabled(QTimer *timer, bool enabled)
{
    if (!enabled) {
        timer->stop();
        return;
    }
    // An interval of 0 never fires; a running timer keeps its phase.
    if (timer->interval() > 0 && !timer->isActive())
        timer->start();
}

Form1::Form1(const Form1Dependencies &deps, QWidget *parent)
    : QWidget(parent), m_port(deps.port), m_alarm(deps.alarm)
{
    Q_ASSERT(m_port);
    setObjectName(u"Form1"_s);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    // The window's default font and colours: a small sans serif (Arial, which
    // fontconfig maps to Liberation Sans), a light grey face, and disabled
    // captions in a mid grey that stays readable on it.
    QFont defaultFont(u"Arial"_s);
    defaultFont.setPointSizeF(8.25);
    setFont(defaultFont);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colorFromBgr(bgr::LightGrey));
    palette.setColor(QPalette::Button, colorFromBgr(bgr::LightGrey));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    setPalette(palette);
    setAutoFillBackground(true);

    createControls();
    m_chart = std::make_unique<ChartCanvas>();
    Picture1->setImage(&m_chart->image());
    buildSettingRows();
    m_journal = std::make_unique<EventJournal>(
        deps.journalPath, [this](const QString &entry) { List1->insertItem(0, entry); },
        deps.clock);
    m_journal->setFailureSink([this](const QString &error) { reportJournalFailure(error); });
    connectHandlers();
    load();
}

Form1::~Form1() = default;

void Form1::buildSettingRows()
{
    for (const SettingRow &row : settingCatalogue()) {
        SettingControls controls;
        controls.row = &row;
        controls.unlockBox = findChild<QCheckBox *>(QLatin1String(row.unlockBox));
        controls.apply = findChild<QPushButton *>(QLatin1String(row.applyButton));
        if (row.isList) {
            controls.list = findChild<QComboBox *>(QLatin1String(row.editControl));
        } else {
            controls.spinner = findChild<UpDown *>(QLatin1String(row.editControl));
            controls.valueBox = findChild<QLineEdit *>(QLatin1String(row.valueBox));
        }
        Q_ASSERT(controls.unlockBox && controls.apply && (controls.list || controls.spinner));
        m_rows.append(controls);
    }
}

int Form1::settingRowIndex(const QString &unlockBoxName) const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].unlockBox->objectName() == unlockBoxName)
            return i;
    return -1;
}

void Form1::connectHandlers()
{
    connect(Command4, &QPushButton::clicked, this, &Form1::startExchange);
    connect(Command3, &QPushButton::clicked, this, &Form1::stopExchange);
    connect(Check1, &QCheckBox::toggled, this, &Form1::addressUnlockToggled);
    connect(UpDown1, &UpDown::changed, this,
            [this] { Text1->setText(QString::number(UpDown1->Value())); });
    connect(Combo2, &QComboBox::activated, this, &Form1::flankChosen);
    connect(Timer1, &QTimer::timeout, this, &Form1::exchangeTick);
    connect(Timer5, &QTimer::timeout, this, &Form1::watchdogTick);
    connect(Timer4, &QTimer::timeout, this, &Form1::alarmToneTick);
    connect(m_port, &SerialPortService::dataReceived, this, &Form1::bytesReceived);
    connect(Command6, &QPushButton::clicked, this, &Form1::clearJournal);
    connect(Check3, &QCheckBox::toggled, this, &Form1::soundToggled);
    connect(Command5, &QPushButton::clicked, this, &Form1::remoteTest);
    connect(Command9, &QPushButton::clicked, this, &Form1::startControlPassClicked);
    connect(Command8, &QPushButton::clicked, this, &Form1::stopControlPassClicked);
    for (int i = 0; i < m_rows.size(); ++i) {
        const SettingControls &r = m_rows[i];
        connect(r.unlockBox, &QCheckBox::toggled, this, [this, i] { unlockBoxToggled(i); });
        if (r.spinner)
            connect(r.spinner, &UpDown::changed, this, [this, i] { spinnerChanged(i); });
        // The unit number's apply button is the address change.
        if (r.row->setting == Setting::UnitNumber)
            connect(r.apply, &QPushButton::clicked, this, &Form1::addressChangeApplied);
        else
            connect(r.apply, &QPushButton::clicked, this, [this, i] { applyClicked(i); });
    }

    connect(Check6, &QCheckBox::toggled, this,
            [this] { scaleToggled(Check6, Check7, m_state.Kvgraf, 1000); });
    connect(Check7, &QCheckBox::toggled, this,
            [this] { scaleToggled(Check7, Check6, m_state.Kvgraf, 2000); });
    connect(Check8, &QCheckBox::toggled, this,
            [this] { scaleToggled(Check8, Check9, m_state.Ksgraf, 120); });
    connect(Check9, &QCheckBox::toggled, this,
            [this] { scaleToggled(Check9, Check8, m_state.Ksgraf, 60); });
}

void Form1::load()
{
    setWindowTitle(u"Программа настройки ВЕРКАН-Р Ливерт"_s);

    Label1->setText(u"Диаграмма сигнала"_s);
    Label2->setText(u"ПAРАМЕТРЫ"_s);  // the second letter is a Latin A
    Label3->setText(u"ПОДКЛЮЧЕНИЕ"_s);
    Label4->setText(u" "_s);
    Label6->setText(u" "_s);
    Label7->setText(u"Фланг"_s);
    Label9->setText(u"Уровни <1> <2> :"_s);
    Label10->setText(u"Датчик вскрытия:"_s);
    Label11->setText(u"Состояние:"_s);
    Label13->setText(u"0"_s);
    Label16->setText(u" "_s);
    Label18->setText(u"Журнал событий"_s);
    Label19->setText(u"COM-порт"_s);
    Label26->setText(u"НАСТРОЙКА"_s);
    Label27->setText(u"Усиление:"_s);

    for (QLineEdit *box : {Text2, Text11, Text3, Text6, Text7, Text4})
        box->setText(u" "_s);

    for (QPushButton *button : {Command1, Command2, Command7, Command10, Command11, Command12}) {
        button->setText(u"Применить"_s);
        button->setEnabled(false);
    }
    for (QPushButton *button : {Command14, Command13, Command9, Command8})
        button->setEnabled(false);
    Command3->setText(u"СТОП"_s);
    Command3->setEnabled(false);
    Command4->setText(u"СТАРТ"_s);
    Command5->setText(u"Выполнить"_s);
    Command5->setEnabled(false);
    Command6->setText(u"Очистить"_s);

    Combo2->setCurrentIndex(Combo2->findText(u"1"_s));
    Combo2->setEnabled(false);

    m_state.SignUsr = 0;
    m_state.cntProh = 8;
    m_state.SumSrZn = 0;
    m_state.cntSr = 0;
    m_state.FlStartIzmer = 0;
    m_state.FlStopIzmer = 0;

    Label5->setText(u"Связь с блоком №:"_s);
    Check1->setText(u"Изменить"_s);

    UpDown1->setEnabled(false);
    UpDown1->setValue(1);
    UpDown1->setMax(128);
    UpDown1->setMin(0);
    UpDown1->setIncrement(1);

    Check11->setText(u"Изменить"_s);
    Check11->setEnabled(false);
    Check2->setText(u"Изменить"_s);
    Text5->setText(u" "_s);
    Check2->setEnabled(false);
    Check10->setText(u"Изменить"_s);
    Text7->setText(u" "_s);
    Check10->setEnabled(false);
    Check5->setText(u"Изменить"_s);
    Text6->setText(u" "_s);
    Check5->setEnabled(false);
    Check12->setText(u"Изменить"_s);
    Text9->setText(u" "_s);
    Check12->setEnabled(false);
    Check13->setText(u"Изменить"_s);
    Text10->setText(u" "_s);
    Check13->setEnabled(false);
    Check4->setEnabled(false);
    Text8->setText(u" "_s);
    Check14->setEnabled(false);

    const struct {
        UpDown *spinner;
        int max;
    } spinners[] = {{UpDown2, 14}, {UpDown3, 19}, {UpDown4, 9},  {UpDown6, 10},
                    {UpDown7, 10}, {UpDown8, 50}, {UpDown5, 128}};
    for (const auto &s : spinners) {
        s.spinner->setEnabled(false);
        s.spinner->setValue(1);
        s.spinner->setMin(1);
        s.spinner->setMax(s.max);
        s.spinner->setIncrement(1);
    }

    Check3->setText(u"Звук"_s);
    setTimerEnabled(Timer4, false);

    Check6->setText(u"1В/дел."_s);
    Check6->setChecked(true);
    m_state.Kvgraf = 1000;
    Check7->setText(u"0,5В/дел."_s);
    Check8->setText(u"0,5c./дел."_s);  // Latin c, as designed
    Check8->setChecked(true);
    m_state.Ksgraf = 120;
    Check9->setText(u"1c./дел."_s);

    Picture1->update();  // the surface starts white

    m_state.Mode = 0;
    m_state.StatusMes = 0;
    setTimerEnabled(Timer1, false);
    m_state.CntIntervCom = kTicksPerSlot;
    m_state.CntComOutBuf = 0;
    m_state.CntPoteriObm = 0;

    m_port->setSettings(u"9600,N,8,1"_s);
    scanComPorts();
}

void Form1::scanComPorts()
{
    // Every port that opens is closed again at once and listed; failures are
    // silent. Nothing is written to any port.
    int k = 0;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        m_port->setPortNumber(n);
        if (!m_port->open())
            continue;
        m_port->close();
        Combo3->insertItem(k, QString::number(n));
        Combo3->setItemData(k, m_port->deviceOf(n), Qt::ToolTipRole);
        ++k;
    }
    Combo3->setCurrentIndex(-1);
}

int Form1::flankNumber() const
{
    return Combo2->currentText().toInt();
}

quint32 Form1::labelTextColor(const QLabel *label)
{
    return bgrFromColor(label->palette().color(QPalette::WindowText));
}

quint32 Form1::labelBackColor(const QLabel *label)
{
    return bgrFromColor(label->palette().color(QPalette::Window));
}

quint32 Form1::windowBackColor() const
{
    return bgrFromColor(palette().color(QPalette::Window));
}

void Form1::showLinkError(const QString &text)
{
    setLabelTextColor(Label6, bgr::Red);
    Label6->setText(text);
}

bool Form1::openPortForExchange(int portNumber)
{
    m_port->setPortNumber(portNumber);
    if (!m_port->open())
        return false;
    m_port->setSoftwareFlowControl(true);
    return true;
}

void Form1::startExchange()
{
    // A port must be chosen and must open; otherwise the exchange does not
    // start and the link status line says why.
    bool isNumber = false;
    const int portNumber = Combo3->currentText().toInt(&isNumber);
    if (Combo3->currentIndex() < 0 || !isNumber) {
        showLinkError(u"Не выбран COM-порт."_s);
        return;
    }
    if (!openPortForExchange(portNumber)) {
        const QString device = m_port->deviceOf(portNumber);
        QString reason;
        switch (m_port->lastOpenError()) {
        case SerialPortService::OpenError::NoSuchPort:
            reason = u"порт не найден"_s;
            break;
        case SerialPortService::OpenError::Busy:
            reason = u"порт занят другой программой"_s;
            break;
        case SerialPortService::OpenError::PermissionDenied:
            reason = u"нет прав доступа (группа dialout)"_s;
            break;
        default:
            reason = u"ошибка открытия"_s;
            break;
        }
        showLinkError(u"COM-порт %1 (%2): %3."_s.arg(portNumber).arg(device, reason));
        return;
    }

    Label4->setText(QString());
    Label6->setText(QString());
    m_state.FlStartIzmer = 0;
    Text12->setText(QString());
    Text3->setText(QString());

    m_state.buffer.clear();

    m_journal->ZapisJurnal(u"   Старт.   COM-порт: "_s + QString::number(portNumber) +
                               u"     Адрес: "_s + QString::number(UpDown1->Value()),
                           u" Старт.   COM-порт: "_s + QString::number(portNumber) +
                               u"     Адрес: "_s + QString::number(UpDown1->Value()));

    Command4->setEnabled(false);
    Command5->setEnabled(true);
    Command3->setEnabled(true);
    UpDown1->setEnabled(false);
    Check1->setChecked(false);
    Check1->setEnabled(false);

    m_state.Adres = QString::number(UpDown1->Value());

    Combo3->setEnabled(false);
    for (QCheckBox *box : {Check2, Check5, Check10, Check11, Check12, Check13, Check4, Check14})
        box->setEnabled(true);
    Combo2->setEnabled(true);

    m_state.MarkerCom = quint8(m_state.Adres.toInt());
    m_state.a = codec::requestForFlank(m_state.MarkerCom, codec::Status, flankNumber());
    m_state.ZaprosCom = m_state.a;
    m_state.CntZaprosUstanov = kStartupSequenceLength;
    putIntoMailbox(m_state, codec::requestAddressOnly(m_state.MarkerCom, codec::ReadUnitNumber));

    Timer1->setInterval(kExchangeTick);
    setTimerEnabled(Timer1, true);
    Timer5->setInterval(kWatchdogPeriod);
    setTimerEnabled(Timer5, true);
    m_state.CntPoteriObm = 0;
}

void Form1::stopExchange()
{
    Command3->setEnabled(false);
    Command5->setEnabled(false);
    Command4->setEnabled(true);
    Command9->setEnabled(false);
    Command8->setEnabled(false);

    setTimerEnabled(Timer1, false);
    setTimerEnabled(Timer5, false);

    m_port->close();

    Check1->setEnabled(true);
    Combo3->setEnabled(true);

    for (QCheckBox *box : {Check2, Check5, Check10, Check11, Check12, Check13, Check4, Check14}) {
        box->setEnabled(false);
        box->setChecked(false);
    }
    Combo2->setEnabled(false);

    m_journal->ZapisJurnal(u"   Стоп"_s, u" Стоп"_s);

    if (m_state.CntPoteriObm < 1) {
        setLabelTextColor(Label6, bgr::Black);
        Label6->setText(kExchangeStopped);
    }
}

void Form1::addressUnlockToggled()
{
    UpDown1->setEnabled(Check1->isChecked());
}

void Form1::flankChosen()
{
    m_state.CntZaprosUstanov = kReadBackLength;
    m_state.a = codec::requestForFlank(m_state.MarkerCom, codec::Status, flankNumber());
    m_state.ZaprosCom = m_state.a;
}

void Form1::exchangeTick()
{
    const std::optional<SchedulerSlot> slot = schedulerTick(m_state, flankNumber());
    if (!slot)
        return;
    if (!slot->lineSettings.isEmpty())
        m_port->setSettings(slot->lineSettings);
    m_port->write(slot->frame.toLatin1());
}

void Form1::watchdogTick()
{
    m_state.CntPoteriObm = qint16(m_state.CntPoteriObm + 1);
    if (m_state.CntPoteriObm == 1) {
        // First silent period: treat it as a disturbance of the port. A port
        // that does not reopen leaves the watchdog running, so the loss is
        // still declared at the next tick.
        m_port->close();
        openPortForExchange(Combo3->currentText().toInt());
        m_state.buffer.clear();
        if (!Timer1->isActive()) {
            Timer1->setInterval(kExchangeTick);
            setTimerEnabled(Timer1, true);
        }
        return;
    }

    setTimerEnabled(Timer5, false);
    m_state.CntPoteriObm = qint16(m_state.CntPoteriObm - 1);
    m_journal->ZapisJurnal(u"  НЕТ СВЯЗИ С БЛОКОМ!"_s, u" НЕТ СВЯЗИ С БЛОКОМ!"_s);
    setLabelTextColor(Label6, bgr::Red);
    Label6->setText(kLinkLost);
    Label4->setText(u"Нет связи"_s);
    Label16->setText(u" "_s);
    for (QLineEdit *box :
         {Text2, Text3, Text6, Text8, Text11, Text7, Text5, Text9, Text10, Text12, Text4})
        box->setText(u" "_s);
    setLabelBackColor(Label4, bgr::White);
    stopExchange();
}

void Form1::bytesReceived()
{
    receiveBytes(m_state, m_port->readAll(), *this);
}

void Form1::frameEnd()
{
    setLabelTextColor(Label6, bgr::Blue);
    Label6->setText(kLinkAlive);
    m_state.CntPoteriObm = 0;
    Command9->setEnabled(true);
    if (m_state.CntZaprosUstanov > 6) {
        m_state.CntZaprosUstanov = kReadBackLength;
        Label24->setText(m_port->settings().left(6));
    }
    setTimerEnabled(Timer5, false);
    Timer5->setInterval(kWatchdogPeriod);
    setTimerEnabled(Timer5, true);
    if (!Timer1->isActive()) {
        Timer1->setInterval(kExchangeTick);
        setTimerEnabled(Timer1, true);
    }
}

void Form1::pauseExchange()
{
    setTimerEnabled(Timer1, false);
}

void Form1::statusReply()
{
    const StatusIndication shown =
        decodeStatus(m_state, statusStateByte(m_state.buf1), Combo2->currentText());
    if (shown.flankShown) {
        Label4->setText(shown.label4Caption);
        setLabelBackColor(Label4, shown.label4Background);
    }
    switch (shown.label25) {
    case FaultLabelChange::WindowBackground:
        Label25->setText(shown.label25Caption);
        setLabelBackColor(Label25, windowBackColor());
        break;
    case FaultLabelChange::RedText:
        setLabelTextColor(Label25, shown.label25TextColour);
        Label25->setText(shown.label25Caption);
        break;
    case FaultLabelChange::Unchanged:
        break;
    }
    if (shown.command5 != EnableChange::Unchanged)
        Command5->setEnabled(shown.command5 == EnableChange::Enable);
    for (const JournalLine &line : shown.journal)
        m_journal->ZapisJurnal(line.listText, line.fileText);
    if (shown.timer4 == ToneChange::Stop) {
        setTimerEnabled(Timer4, false);
    } else if (shown.timer4 == ToneChange::StartIfSoundTicked && Check3->isChecked() &&
               !Timer4->isActive()) {
        Timer4->setInterval(kAlarmToneRepeat);
        setTimerEnabled(Timer4, true);
    }
    setLabelTextColor(Label16, shown.label16TextColour);
    Label16->setText(shown.label16Caption);

    const DiagramUpdate chart = diagramStep(m_state, m_state.buf1, *m_chart);
    Picture1->update();
    Text2->setText(chart.text2);
    Text11->setText(chart.text11);
    if (chart.label30)
        Label30->setText(*chart.label30);
    if (chart.passEnded) {
        Command9->setEnabled(true);
        Command8->setEnabled(false);
    }
    if (chart.text3)
        Text3->setText(*chart.text3);
    if (chart.passRan) {
        QPalette palette = Text12->palette();
        palette.setColor(QPalette::Text, colorFromBgr(chart.text12ColorBgr));
        Text12->setPalette(palette);
        Text12->setText(chart.text12);
    }
}

void Form1::settingReply(int code)
{
    const ReplyDecision reply =
        decideReply(code, codec::TakeData(m_state.buf1, 3), Combo2->currentText());
    if (!reply.row)
        return;
    const SettingControls &controls = m_rows[int(reply.row - settingCatalogue().data())];
    // A row being edited is never overwritten by the detector's answers.
    if (controls.unlockBox->checkState() != Qt::Unchecked)
        return;
    // Values outside the setting's range are ignored; the row keeps its text.
    if (!reply.inRange)
        return;
    if (controls.list) {
        controls.list->setCurrentIndex(reply.position);
    } else {
        controls.valueBox->setText(reply.text);
        controls.spinner->setValue(reply.position);
    }
    if (reply.journal)
        m_journal->ZapisJurnal(reply.journal->listText, reply.journal->fileText);
}

void Form1::unlockBoxToggled(int index)
{
    const SettingControls &r = m_rows[index];
    QWidget *editor = r.list ? static_cast<QWidget *>(r.list) : r.spinner;
    if (r.unlockBox->checkState() == Qt::Checked) {
        editor->setEnabled(true);
        r.apply->setEnabled(true);
        return;
    }
    editor->setEnabled(false);
    r.apply->setEnabled(false);
    // Ask the detector for the stored value: it replaces whatever the
    // operator stepped to without applying.
    putIntoMailbox(m_state, readRequest(*r.row, m_state.MarkerCom, flankNumber()));
}

void Form1::spinnerChanged(int index)
{
    const SettingControls &r = m_rows[index];
    r.valueBox->setText(textForPosition(*r.row, r.spinner->Value()));
}

void Form1::applyClicked(int index)
{
    const SettingControls &r = m_rows[index];
    if (r.spinner) {
        r.apply->setEnabled(false);
        r.spinner->setEnabled(false);
    }
    // Unticking queues a read of the setting; the write below replaces it.
    r.unlockBox->setChecked(false);
    const int position = r.list ? r.list->currentIndex() : r.spinner->Value();
    const std::optional<QString> frame =
        writeRequest(*r.row, m_state.MarkerCom, flankNumber(), position);
    // The limit list with no item chosen has nothing to write.
    if (frame)
        putIntoMailbox(m_state, *frame);
}

void Form1::clearJournal()
{
    List1->clear();
    m_journal->ZapisJurnal(u"  Очистка журнала"_s, u" Очистка журнала"_s);
}

void Form1::reportJournalFailure(const QString &error)
{
    // Reported on the journal's caption, never with a dialog: the exchange
    // must go on while the file cannot be written.
    if (error.isEmpty()) {
        setLabelTextColor(Label18, bgr::Black);
        Label18->setToolTip(QString());
        return;
    }
    setLabelTextColor(Label18, bgr::Red);
    const QString message =
        u"Не удалось записать файл журнала %1: %2"_s.arg(m_journal->filePath(), error);
    Label18->setToolTip(message);
    qWarning("%s", qPrintable(message));
}

void Form1::soundToggled()
{
    if (!Check3->isChecked())
        setTimerEnabled(Timer4, false);
}

void Form1::alarmToneTick()
{
    if (m_alarm)
        m_alarm->restart();
}

void Form1::remoteTest()
{
    Command5->setEnabled(false);
    putIntoMailbox(m_state, codec::requestAddressOnly(m_state.MarkerCom, codec::RemoteTest));
    m_journal->ZapisJurnal(u"   Выполнен ДК"_s, u" Выполнен ДК"_s);
}

void Form1::startControlPassClicked()
{
    const PassButtonsUpdate buttons = startControlPass(m_state);
    Command9->setEnabled(buttons.command9Enabled);
    Command8->setEnabled(buttons.command8Enabled);
    if (buttons.clearText3)
        Text3->setText(QString());
}

void Form1::stopControlPassClicked()
{
    const PassButtonsUpdate buttons = stopControlPass(m_state);
    Command8->setEnabled(buttons.command8Enabled);
    Command9->setEnabled(buttons.command9Enabled);
}

void Form1::addressChangeApplied()
{
    Command13->setEnabled(false);
    UpDown5->setEnabled(false);
    // Unticking queues the unit-number read; the set-address request
    // replaces it before the scheduler can send it.
    Check14->setChecked(false);
    putIntoMailbox(m_state, setAddressRequest(m_state.MarkerCom, flankNumber(), UpDown5->Value()));
    const QString number = QString::number(UpDown5->Value());
    m_journal->ZapisJurnal(u"  Перезагрузка извещателя!!! Установлен адрес:"_s + number,
                           u" Перезагрузка извещателя!!! Установлен адрес:"_s + number);
}

void Form1::scaleToggled(QCheckBox *box, QCheckBox *partner, qint16 &scale, qint16 value)
{
    // The two boxes of a scale act as a pair of radio buttons; unticking one
    // ticks its partner, whose own handler then sets the scale.
    if (box->isChecked()) {
        partner->setChecked(false);
        scale = value;
    } else {
        partner->setChecked(true);
    }
}
