// What an e-mail notification adds to a call: the whole `sendmail` of the running program, from
// its first log line to the message accepted by a real SMTP server on loopback (aiosmtpd). A
// second measurement sends to a server that accepts the connection and never answers: the time
// is bounded by the engine's time-out (set to 2 s here through BELLTALE_MAIL_TIMEOUT_MS).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/mail/see.h"
#include "platform/mail/testing/mail_servers.h"
#include "platform/registry/registry.h"
#include "platform/ui/dialog_responder.h"
#include "vevuzer/mail/sendmail.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/frm_main.h"

namespace {

// Message boxes are answered at once: the failure of the silent server shows one.
class Answering final : public ui::DialogResponder {
    int respondToMsgBox(const ui::ShownDialog&) override { return 1; }
    std::optional<std::string> respondToInputBox(const ui::ShownDialog&) override {
        return std::nullopt;
    }
    std::optional<std::string> respondToFileDialog(const ui::ShownDialog&) override {
        return std::nullopt;
    }
};

struct Program {
    Program() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("BELLTALE_ONLINE", "1", 1);
        setenv("BELLTALE_EXCHANGE_SOCKET", "off", 1);
        std::string home = (std::filesystem::temp_directory_path() / "belltale-bench-XXXXXX");
        setenv("BELLTALE_HOME", mkdtemp(home.data()), 1);
        registry::dropCache();
        app = std::make_unique<QApplication>(argc, argv);
        servers.startSmtp();
        settings::write(settings::key::email, "True");
        settings::write(settings::key::emailto, "ann@example.net");
        seeAttach(1, 0);
        window = std::make_unique<frm_main>();
    }
    int argc = 1;
    char name[8] = "bench";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    mail::testing::MailServers servers;
    std::unique_ptr<frm_main> window;
};

Program& program() {
    static Program instance;
    return instance;
}

void NotificationToALoopbackServer(benchmark::State& state) {
    Program& p = program();
    settings::write(settings::key::smtp, p.servers.smtpServer());
    for (auto _ : state)
        vevuzer::sendmail(p.window->main(), "01632960123", "ANN SMITH");
    state.counters["sent"] = static_cast<double>(p.servers.messages().size());
}
BENCHMARK(NotificationToALoopbackServer)->Unit(benchmark::kMillisecond)->Iterations(50);

void NotificationToASilentServer(benchmark::State& state) {
    Program& p = program();
    static Answering answering;
    ui::setDialogResponder(&answering);
    setenv("BELLTALE_MAIL_TIMEOUT_MS", "2000", 1);
    mail::testing::SilentServer silent;
    settings::write(settings::key::smtp, silent.server());
    for (auto _ : state)
        vevuzer::sendmail(p.window->main(), "01632960123", "ANN SMITH");
    unsetenv("BELLTALE_MAIL_TIMEOUT_MS");
}
BENCHMARK(NotificationToASilentServer)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
