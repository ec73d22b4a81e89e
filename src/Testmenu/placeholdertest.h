#ifndef PLACEHOLDERTEST_H
#define PLACEHOLDERTEST_H

#include "testdialog.h"

namespace Ui {
class PlaceholderTest;
}

// A production test whose own step is not built yet: the test frame with
// its reader, verdicts and opening command, and a page that names the test.
// A later change replaces the derived class in place with the test itself.
class PlaceholderTest : public TestDialog
{
    Q_OBJECT
public:
    PlaceholderTest(const char *className, const char *title, const char *openingCommand,
                    QWidget *parent);
    ~PlaceholderTest() override;

private:
    Ui::PlaceholderTest *ui;
};

#endif // PLACEHOLDERTEST_H
