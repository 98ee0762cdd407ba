#include "app/chartpanel.h"

#include "app/chartview.h"
#include "app/controls.h"
#include "app/panelcachestyle.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

ChartPanel::ChartPanel(QWidget *form)
    : QObject(form), m_form(form), m_view(control<ChartView>(form, "Picture1")),
      m_level1(control<QLineEdit>(form, "Text2")), m_level2(control<QLineEdit>(form, "Text11")),
      m_useful(control<QLineEdit>(form, "Text12")), m_mean(control<QLineEdit>(form, "Text3")),
      m_measuring(control<QLabel>(form, "Label30")),
      m_passStart(control<QPushButton>(form, "Command9")),
      m_passStop(control<QPushButton>(form, "Command8"))
{
    m_view->setImage(&m_chart.canvas().image());
    // The read-outs change with nearly every reply and hold nothing but
    // digits, a point and a sign: laid out without the text shaper they look
    // the same at a fraction of the cost, and their frame is drawn once. They
    // sit on the form's flat background and their cached panel covers them
    // whole, so a new value repaints the box alone, not the form under it.
    for (QLineEdit *box : {m_level1, m_level2, m_useful, m_mean}) {
        QFont font = box->font();
        font.setStyleStrategy(QFont::PreferNoShaping);
        box->setFont(font);
        box->setStyle(PanelCacheStyle::shared());
        box->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    auto *oneVolt = control<QCheckBox>(form, "Check6");
    auto *halfVolt = control<QCheckBox>(form, "Check7");
    auto *halfSecond = control<QCheckBox>(form, "Check8");
    auto *oneSecond = control<QCheckBox>(form, "Check9");
    pairScaleBoxes(oneVolt, halfVolt, SignalChart::kOneVoltPerDivision, true);
    pairScaleBoxes(halfVolt, oneVolt, SignalChart::kHalfVoltPerDivision, true);
    pairScaleBoxes(halfSecond, oneSecond, SignalChart::kHalfSecondPerDivision, false);
    pairScaleBoxes(oneSecond, halfSecond, SignalChart::kOneSecondPerDivision, false);
    connect(m_passStart, &QPushButton::clicked, this, [this] {
        const ControlPass::Buttons buttons = m_chart.pass().start();
        showPassButtons(buttons);
        if (buttons.clearMean)
            m_mean->setText(QString());
    });
    connect(m_passStop, &QPushButton::clicked, this,
            [this] { showPassButtons(m_chart.pass().requestStop()); });
}

void ChartPanel::pairScaleBoxes(QCheckBox *box, QCheckBox *partner, int value, bool vertical)
{
    // The two boxes of a scale act as a pair of radio buttons; unticking one
    // ticks its partner, whose own handler then sets the scale.
    connect(box, &QCheckBox::toggled, this, [this, box, partner, value, vertical] {
        if (!box->isChecked()) {
            partner->setChecked(true);
            return;
        }
        partner->setChecked(false);
        if (vertical)
            m_chart.setVoltScale(value);
        else
            m_chart.setTimeScale(value);
    });
}

void ChartPanel::showPassButtons(const ControlPass::Buttons &buttons)
{
    m_passStart->setEnabled(buttons.startEnabled);
    m_passStop->setEnabled(buttons.stopEnabled);
}

void ChartPanel::load()
{
    control<QLabel>(m_form, "Label1")->setText(tr("Диаграмма сигнала"));
    control<QLabel>(m_form, "Label13")->setText(u"0"_s);
    for (QLineEdit *box : {m_level1, m_level2, m_mean})
        box->setText(u" "_s);
    m_passStart->setEnabled(false);
    m_passStop->setEnabled(false);
    control<QCheckBox>(m_form, "Check6")->setText(tr("1В/дел."));
    control<QCheckBox>(m_form, "Check6")->setChecked(true);
    control<QCheckBox>(m_form, "Check7")->setText(tr("0,5В/дел."));
    control<QCheckBox>(m_form, "Check8")->setText(tr("0,5c./дел."));  // Latin c, as designed
    control<QCheckBox>(m_form, "Check8")->setChecked(true);
    control<QCheckBox>(m_form, "Check9")->setText(tr("1c./дел."));
    m_view->update();  // the surface starts white
}

void ChartPanel::exchangeStarted()
{
    m_chart.pass().cancel();
    m_useful->setText(QString());
    m_mean->setText(QString());
}

void ChartPanel::exchangeStopped()
{
    m_passStart->setEnabled(false);
    m_passStop->setEnabled(false);
}

void ChartPanel::showLinkAlive()
{
    m_passStart->setEnabled(true);
}

void ChartPanel::showLinkLost()
{
    for (QLineEdit *box : {m_level1, m_level2, m_useful, m_mean})
        box->setText(u" "_s);
}

void ChartPanel::showReadingsStale(bool stale)
{
    // The mean of a finished pass stays true, and stays as it is.
    for (QLineEdit *box : {m_level1, m_level2, m_useful})
        showStale(box, stale);
}

std::optional<ControlPass::Step> ChartPanel::showStatus(const StatusReading &reading)
{
    const SignalChart::Update update = m_chart.step(reading);
    m_view->update(update.changedPixels);
    showText(m_level1, update.level1Text);
    showText(m_level2, update.level2Text);
    if (!update.pass)
        return std::nullopt;
    const ControlPass::Step &pass = *update.pass;
    if (pass.caption)
        showText(m_measuring, *pass.caption);
    if (pass.ended) {
        m_passStart->setEnabled(true);
        m_passStop->setEnabled(false);
    }
    if (pass.meanText)
        showText(m_mean, *pass.meanText);
    setBoxTextColor(m_useful, pass.usefulColour);
    showText(m_useful, pass.usefulText);
    return update.pass;
}
