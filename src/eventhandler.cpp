#include "eventhandler.h"
#include "globals.h"

bool g_hardwareTestActive = false;

EventHandler::EventHandler(QObject *parent)
    : QObject(parent)
{
}

bool EventHandler::eventFilter(QObject *watched, QEvent *event)
{
    return QObject::eventFilter(watched, event);
}
