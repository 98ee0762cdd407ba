#pragma once

#include <QByteArray>
#include <QString>

// What the reply assembler reports, in the order it happens.
class ReplyHandler {
public:
    virtual ~ReplyHandler() = default;
    // A CR closed a body, valid or not.
    virtual void bodyClosed() {}
    // A body passed its checks (hex digits only, length, sum): the detector
    // is answering. Called before the body is handed on.
    virtual void frameEnd() = 0;
    // A body is still open at the end of a receive event.
    virtual void pauseExchange() = 0;
    // A valid status body (the status code, a status reply's length).
    virtual void statusReply(const QString &body) = 0;
    // A valid setting body (a setting reply's length) with one of the
    // setting codes.
    virtual void settingReply(int code, const QString &body) = 0;
};

// The kinds of valid body the dispatcher hands on.
enum class BodyKind { Dropped, Status, Setting };
BodyKind classifyBody(const QString &body, int *code = nullptr);

// Reply assembly. Every received character is processed in order, so the
// result does not depend on how the driver splits a reply:
//   "!"               starts a body;
//   CR with a body    ends the frame: bodyClosed(), then validation, and
//                     for a valid body frameEnd() and its dispatch;
//   other characters  are appended while a body is open (bounded);
//   CR with no body   is ignored (echoed requests, line noise).
class ReplyAssembler {
public:
    static constexpr int kMaxBodyLength = 64;

    void feed(const QByteArray &bytes, ReplyHandler &handler);

    bool bodyOpen() const { return m_open; }
    // Forgets a body that line noise opened and nothing closed.
    void dropBody()
    {
        m_open = false;
        m_body.clear();
    }
    const QString &body() const { return m_body; }

private:
    QString m_body;
    bool m_open = false;
};
