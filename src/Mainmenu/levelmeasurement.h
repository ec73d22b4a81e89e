#ifndef LEVELMEASUREMENT_H
#define LEVELMEASUREMENT_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class Levelmeasurement : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit Levelmeasurement(QWidget *parent = nullptr);
    void init(int variant);
};

#endif // LEVELMEASUREMENT_H
