#pragma once

#include <QString>
#include <QtGlobal>

// The variables shared by every handler of the window. One instance lives in
// the window for the whole run; handlers read and write the fields directly.
// Integer fields are signed 16-bit and Byte fields unsigned 8-bit, as the
// detector's protocol and the original program define them; the sums of the
// control pass are wider so that a long pass cannot overflow.
struct SharedState {
    // Request building and output.
    QString Adres;                // address as decimal text, fixed at "СТАРТ"
    quint8 MarkerCom = 0;         // address written into every request
    QString a;                    // scratch: the frame being built
    QString TekCom;               // mailbox: one request waiting to be sent
    qint16 CntComOutBuf = 0;      // frames put into the mailbox since last sent
    QString ZaprosCom;            // the standing status poll
    qint16 CntIntervCom = 0;      // ticks left until the next scheduler slot
    qint16 CntZaprosUstanov = 0;  // slots left in the start-up sequence
    qint16 CntPoteriObm = 0;      // consecutive silent watchdog periods

    // Receive assembly.
    QString buffer;        // text taken from the port by the last receive event
    QString buf1;          // body of the reply being assembled
    qint16 Mode = 0;       // 1 while a body is being collected
    qint16 StatusMes = 0;  // 1 while a complete body waits to be decoded

    // Change detection for the journal.
    qint16 OLDSostKanNoDV = 0;  // flank-state code of the last status reply
    qint16 OLDDV = 0;           // tamper bit (0 or 16) of the last status reply

    // Signal diagram.
    qint16 X1 = 0, Y1 = 0, Y2 = 0;
    qint16 Kvgraf = 0;  // twips per volt
    qint16 Ksgraf = 0;  // twips per sample
    qint16 TY1 = 0, TY2 = 0;

    // Control pass.
    qint16 SignUsr = 0;
    qint16 cntProh = 0;
    qint16 SumTekSign = 0;
    qint32 SumSrZn = 0;
    qint16 cntSr = 0;
    qint16 FlStartIzmer = 0;
    qint16 FlStopIzmer = 0;
};

// Largest value the mailbox count is allowed to reach: queuing while the
// scheduler is stopped must not overflow a 16-bit counter.
constexpr qint16 kMailboxCountLimit = 1000;
