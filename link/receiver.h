#pragma once

#include "app/sharedstate.h"

#include <QByteArray>

// Reply assembly. Every received character is processed in order, so the
// result does not depend on how the driver splits a reply:
//   "!"               starts a body (buf1 emptied, Mode = 1);
//   CR with a body    ends the frame: the frame-end work, then validation
//                     and dispatch of the body;
//   other characters  are appended while a body is open (bounded);
//   CR with no body   is ignored (echoed requests, line noise).
// The exchange timer is paused only while a body is still incomplete at the
// end of a receive event.
class ReplyHandler {
public:
    virtual ~ReplyHandler() = default;
    // The link is alive: a CR closed a body (valid or not).
    virtual void frameEnd() = 0;
    // A body is open at the end of a receive event.
    virtual void pauseExchange() = 0;
    // A valid status body (code 11, 18 characters) is in buf1.
    virtual void statusReply() = 0;
    // A valid setting body (6 characters) with one of the setting codes.
    virtual void settingReply(int code) = 0;
};

constexpr int kMaxBodyLength = 64;

// The kinds of valid body the dispatcher hands on.
enum class BodyKind { Dropped, Status, Setting };
BodyKind classifyBody(const QString &body, int *code = nullptr);

void receiveBytes(SharedState &state, const QByteArray &bytes, ReplyHandler &handler);
