#include "tasks/task.h"

#include "link/exchange.h"

Task::Task(Exchange *exchange, QObject *parent) : QObject(parent), m_exchange(exchange)
{
    if (!m_exchange)
        return;
    connect(m_exchange, &Exchange::linkLost, this, [this] {
        if (isRunning())
            exchangeEnded(true);
    });
    connect(m_exchange, &Exchange::stopped, this, [this] {
        if (isRunning())
            exchangeEnded(false);
    });
}

Task::~Task() = default;

void Task::begin()
{
    m_state = State::Running;
    m_failure = Failure::None;
    m_message.clear();
    if (m_exchange)
        m_originalFlank = m_exchange->flank();
}

void Task::cancel()
{
    if (isRunning())
        end(State::Cancelled, Failure::None, tr("Отменено."));
}

void Task::succeed(const QString &message)
{
    end(State::Done, Failure::None, message);
}

void Task::fail(Failure failure, const QString &message)
{
    end(State::Failed, failure, message);
}

void Task::restoreFlank()
{
    if (m_exchange && m_exchange->isRunning() && m_exchange->flank() != m_originalFlank)
        m_exchange->changeFlank(m_originalFlank);
}

void Task::whenExchangeRuns(std::function<void()> work)
{
    if (m_exchange->isRunning()) {
        work();
        return;
    }
    connect(
        m_exchange, &Exchange::started, this,
        [this, work] {
            if (!isRunning())
                return;
            m_originalFlank = m_exchange->flank();
            work();
        },
        Qt::SingleShotConnection);
}

void Task::exchangeEnded(bool linkLost)
{
    if (linkLost)
        fail(Failure::NoAnswer,
             tr("Нет связи с блоком %1. Проверьте адрес и питание!").arg(m_exchange->address()));
    else
        fail(Failure::Stopped, tr("Обмен данными остановлен."));
}

void Task::end(State state, Failure failure, const QString &message)
{
    if (!isRunning())
        return;
    m_state = state;
    m_failure = failure;
    m_message = message;
    endWork();
    restoreFlank();
    emit finished();
}
