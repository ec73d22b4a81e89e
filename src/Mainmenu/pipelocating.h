#ifndef PIPELOCATING_H
#define PIPELOCATING_H

#include "placeholderscreen.h"

// Not built yet: the screen's contents. It records the inits it receives.
class Pipelocating : public PlaceholderScreen
{
    Q_OBJECT
public:
    explicit Pipelocating(QWidget *parent = nullptr);
    void init(int variant);
};

#endif // PIPELOCATING_H
