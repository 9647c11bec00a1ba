#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

/// One line of the activity log: what was reported, when, and whether it was a warning.
struct ActivityEntry
{
    QUuid id;
    QDateTime date;
    QString message;
    bool warning = false;
};
