#include "placeholderdialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PlaceholderDialog::PlaceholderDialog(const QString &title, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(title);
    setWindowTitle(title);
    resize(480, 272);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("labelHeadline"));
    label->setAlignment(Qt::AlignCenter);
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("butClose"));
    layout->addWidget(label, 1);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void PlaceholderDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}
