#include <QGuiApplication>

#include <gtest/gtest.h>

// The services under test run on the main thread of a Qt application that
// owns the clipboard and drives the GLib context AT-SPI delivers events on.
int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
