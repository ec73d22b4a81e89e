#include "placeholderscreen.h"
#include "mainmenu.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PlaceholderScreen::PlaceholderScreen(const QString &title, bool backEmitsExit, QWidget *parent)
    : QWidget(parent)
    , m_backEmitsExit(backEmitsExit)
{
    setObjectName(title);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("labelHeadline"));
    label->setAlignment(Qt::AlignCenter);
    auto *back = new QPushButton(tr("Back"), this);
    back->setObjectName(QStringLiteral("butMenuBack"));
    layout->addWidget(label, 1);
    layout->addWidget(back);
    connect(back, &QPushButton::clicked, this, [this] {
        if (m_backEmitsExit)
            emit exit();
        else
            emit gotoWidget(0, -1, 0);
    });
}

void PlaceholderScreen::recordMeasurementInit(int variant)
{
    const MainMenu *w = MainMenu::getInstanceMainMenu();
    const bool booted = w && w->isBootedToFavouriteFunction();
    m_log.record(QStringLiteral("init %1%2").arg(variant).arg(booted ? " booted" : ""));
}
