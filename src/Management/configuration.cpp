#include "configuration.h"

Configuration::Configuration(QWidget *parent)
    : PlaceholderDialog(QStringLiteral("Configuration"), parent)
{
}
