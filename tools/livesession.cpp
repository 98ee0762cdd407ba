#include "livesession.h"

#include "link/exchange.h"

#include <QComboBox>
#include <QPushButton>

bool LiveSession::startSimulator(const QStringList &options)
{
    m_sim.start(QStringLiteral(VERKAN_SIM_PATH),
                QStringList{QStringLiteral("--link"), path(QStringLiteral("tty")),
                            QStringLiteral("--quiet")} +
                    options);
    // The simulator prints its terminal's path once it is ready.
    return m_sim.waitForStarted() && m_sim.waitForReadyRead(5000);
}

Form1 &LiveSession::openWindowAndStart()
{
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
        env.insert(QStringLiteral("VERKAN_COM%1").arg(n),
                   n == 1 ? path(QStringLiteral("tty")) : path(QStringLiteral("none%1").arg(n)));
    m_port = std::make_unique<QtSerialPortService>(env);
    Form1Dependencies deps;
    deps.port = m_port.get();
    deps.journalPath = path(QStringLiteral("Jurnal.txt"));
    m_window = std::make_unique<MainWindow>(deps);
    m_window->show();
    Form1 &form = m_window->form();
    form.findChild<QComboBox *>(QStringLiteral("Combo3"))->setCurrentIndex(0);
    form.findChild<QPushButton *>(QStringLiteral("Command4"))->click();
    return form;
}

void LiveSession::stop()
{
    if (m_window)
        m_window->form().exchange().stop();
    m_sim.write("quit\n");
    m_sim.waitForFinished(3000);
}
