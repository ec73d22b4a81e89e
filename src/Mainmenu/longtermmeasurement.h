#ifndef LONGTERMMEASUREMENT_H
#define LONGTERMMEASUREMENT_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class Longtermmeasurement : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit Longtermmeasurement(QWidget *parent = nullptr);
    void init(int variant);
};

#endif // LONGTERMMEASUREMENT_H
