#include "ConfigPagesFixture.h"

QPushButton* Button(QWidget& root, const char* name)
{
    auto* button = root.findChild<QPushButton*>(name);
    EXPECT_NE(button, nullptr) << name;
    return button;
}
