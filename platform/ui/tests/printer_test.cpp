#include "platform/ui/printer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace ui {
namespace {

bool printSupportMapped() {
    std::ifstream maps("/proc/self/maps");
    const std::string text{std::istreambuf_iterator<char>(maps), {}};
    return text.find("libQt6PrintSupport") != std::string::npos;
}

class PrinterModule : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        setPrinterOutputFile(m_pdf.string());
    }
    void TearDown() override {
        setPrinterOutputFile({});
        unsetenv("BELLTALE_PRINT_MODULE");
    }

    QTemporaryDir m_folder;
    const std::filesystem::path m_pdf =
        std::filesystem::path(m_folder.path().toStdString()) / "printed.pdf";
};

TEST_F(PrinterModule, QtPrintSupportIsLoadedWithTheFirstDocument) {
    EXPECT_FALSE(printSupportMapped()) << "a program that never prints should not map it";
    Printer printer;
    printer.setCurrentX(1440);
    ASSERT_TRUE(printer.Print("first line"));
    EXPECT_TRUE(printSupportMapped());
    EXPECT_TRUE(printer.Print("second line"));
    printer.EndDoc();
    std::ifstream pdf(m_pdf, std::ios::binary);
    std::string head(5, '\0');
    pdf.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
}

TEST_F(PrinterModule, AModuleThatCannotBeLoadedFailsEveryLineAndSaysWhyOnce) {
    struct Case {
        const char* module;
        const char* reasonNames;
    };
    static constexpr Case cases[] = {
        {"/nonexistent/libbelltale_ui_print.so", "/nonexistent/libbelltale_ui_print.so"},
        {"libm.so.6", "belltale_print_functions"},  // loads, but is not the module
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        setenv("BELLTALE_PRINT_MODULE", c.module, 1);
        Printer printer;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(printer.Print("lost"));
        EXPECT_FALSE(printer.Print("lost too"));
        printer.EndDoc();
        printer.KillDoc();
        const std::string said = ::testing::internal::GetCapturedStderr();
        const std::string::size_type first = said.find("printing module could not be loaded");
        EXPECT_NE(first, std::string::npos) << said;
        EXPECT_EQ(said.find("printing module", first + 1), std::string::npos) << said;
        EXPECT_NE(said.find(c.reasonNames), std::string::npos) << said;
        EXPECT_FALSE(std::filesystem::exists(m_pdf));
    }
}

}  // namespace
}  // namespace ui
