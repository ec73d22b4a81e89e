#ifndef MANAGEMENT_H
#define MANAGEMENT_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class Management : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit Management(QWidget *parent = nullptr);
    void init();
};

#endif // MANAGEMENT_H
