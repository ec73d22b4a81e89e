#ifndef CONFIGURATION_H
#define CONFIGURATION_H

#include "placeholderdialog.h"

// Not built yet: the dialog's contents.
class Configuration : public PlaceholderDialog
{
    Q_OBJECT
public:
    explicit Configuration(QWidget *parent = nullptr);
};

#endif // CONFIGURATION_H
