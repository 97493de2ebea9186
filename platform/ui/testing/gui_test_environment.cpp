// Linked into every GUI test program: widgets need a QApplication, created once before the first
// test and destroyed after the last. Run the tests with QT_QPA_PLATFORM=offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class GuiTestEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

  private:
    int m_argc = 1;
    char m_name[16] = "belltale-test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new GuiTestEnvironment);

}  // namespace
