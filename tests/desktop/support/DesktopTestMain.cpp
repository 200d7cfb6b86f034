// The main function of every desktop test program: the Qt application object
// the tests share, prepared as the agent prepares it.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/linux/qt/QtApplication.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    orvendi::QtApplication::prepare();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
