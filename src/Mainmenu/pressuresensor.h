#ifndef PRESSURESENSOR_H
#define PRESSURESENSOR_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class PressureSensor : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit PressureSensor(QWidget *parent = nullptr);
    void init(int variant);
};

#endif // PRESSURESENSOR_H
