#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>

int main(int argc, char** argv)
{
    // Numbers in protocol texts follow the user's locale; the cases are written for German.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
