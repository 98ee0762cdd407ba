#pragma once

// The line view's "Публиковать в MQTT" group: where to publish the watched
// line (broker, line name, prefix, user, password file, CA certificate),
// kept in the user's settings, and the LinePublisher that runs beside each
// watch. Unchecked, the group folds to its title.
//
//   "Старт"  -> startPublishing(): the fields checked, a LinePublisher started
//   the watch stops -> finishPublishing(): the publisher delivers what it
//                      still holds and says "offline" on its own; nobody waits
//
// A broker that cannot be reached does not hold the watch back: the publisher
// retries by itself and its notices show under the fields. Nothing received
// over MQTT reaches the line.

#include "app/filechooser.h"

#include <QGroupBox>
#include <QList>
#include <QPointer>

class LinePublisher;
class LineStates;
class PortDescription;
class QLabel;
class QLineEdit;
class QToolButton;
class QSettings;

class MqttPanel : public QGroupBox {
    Q_OBJECT
public:
    // `settings`: where the fields are kept between runs (none: nothing is
    // remembered); `chooser` asks for the password file and the certificate.
    MqttPanel(LineStates &states, QSettings *settings, FileChooser chooser,
              QWidget *parent = nullptr);
    ~MqttPanel() override;

    // The line name offered when none is given: the port's.
    void setPort(const PortDescription &port);
    // Unchecked: true, nothing is published. Checked: the fields are checked
    // and a publisher of `addresses` on `port` started; false, with the
    // reason in *error and the faulty field focused, when they cannot be used.
    bool startPublishing(const PortDescription &port, const QList<int> &addresses, QString *error);
    // Lets the running publisher finish by itself; returns at once.
    void finishPublishing();
    // The fields can be changed only while no watch runs.
    void setEditable(bool editable);
    // The group's widgets in their tab order, the group's check first.
    QList<QWidget *> tabChain();

private:
    enum class Link { Connecting, Connected, Lost, Finishing };

    void restore();
    void remember() const;
    void choose(QLineEdit *field, const QString &caption, const QString &filter);
    void showState();

    LineStates &m_states;
    QSettings *m_settings;
    FileChooser m_choose;
    QPointer<LinePublisher> m_publisher;
    Link m_link = Link::Connecting;
    bool m_everStarted = false;
    QString m_notice;  // the publisher's last word

    QWidget *m_fields;
    QLineEdit *m_broker;
    QLineEdit *m_line;
    QLineEdit *m_prefix;
    QLineEdit *m_user;
    QLineEdit *m_passwordFile;
    QToolButton *m_choosePasswordFile;
    QLineEdit *m_caFile;
    QToolButton *m_chooseCaFile;
    QLabel *m_status;
};
