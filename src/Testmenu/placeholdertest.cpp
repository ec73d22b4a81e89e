#include "placeholdertest.h"
#include "ui_placeholdertest.h"

PlaceholderTest::PlaceholderTest(const char *className, const char *title,
                                 const char *openingCommand, QWidget *parent)
    : TestDialog(Setup{openingCommand}, parent), ui(new Ui::PlaceholderTest)
{
    ui->setupUi(this);
    setObjectName(QString::fromLatin1(className));
    ui->labelHeadline->setText(QString::fromLatin1(title));
}

PlaceholderTest::~PlaceholderTest()
{
    delete ui;
}
