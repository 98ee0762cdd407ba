#pragma once

#include "diagram/signalchart.h"

#include <QObject>

class ChartView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// "Диаграмма сигнала" with its scales and level read-outs, and
// "КОНТРОЛЬНЫЙ  ПРОХОД" with its buttons and read-outs.
class ChartPanel : public QObject {
    Q_OBJECT
public:
    explicit ChartPanel(QWidget *form);

    void load();
    void exchangeStarted();
    void exchangeStopped();
    void showLinkAlive();
    void showLinkLost();
    // The levels and the useful signal greyed, or shown as last set.
    void showReadingsStale(bool stale);
    // Shows one reading; returns what the control pass made of it, when a
    // pass ran on it.
    std::optional<ControlPass::Step> showStatus(const StatusReading &reading);

    SignalChart &chart() { return m_chart; }

private:
    void pairScaleBoxes(QCheckBox *box, QCheckBox *partner, int value, bool vertical);
    void showPassButtons(const ControlPass::Buttons &buttons);

    SignalChart m_chart;
    QWidget *m_form;
    ChartView *m_view;         // Picture1
    QLineEdit *m_level1;       // Text2
    QLineEdit *m_level2;       // Text11
    QLineEdit *m_useful;       // Text12
    QLineEdit *m_mean;         // Text3
    QLabel *m_measuring;       // Label30
    QPushButton *m_passStart;  // Command9
    QPushButton *m_passStop;   // Command8
};
