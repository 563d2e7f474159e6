#include "apps/corvana-host/PageServer.h"

#include "apps/corvana-host/EventHub.h"
#include "apps/corvana-host/HostOutput.h"

#include "Core/Utils.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <random>
#include <sys/socket.h>
#include <sstream>
#include <thread>

namespace Corvana {
namespace {

using Json = nlohmann::ordered_json;
using namespace std::chrono_literals;

constexpr const char* loopback = "127.0.0.1";
// The page loads its script through this exact tag; the served copy gets the
// bridge settings and the token put in its place.
constexpr std::string_view scriptTag = R"(<script src="corvana.js"></script>)";
constexpr std::string_view defaultQuery = "opaque=1&theme=darksky";

volatile std::sig_atomic_t interrupted = 0;
extern "C" void onInterrupt(int) { interrupted = 1; }

// Steps waiting for the main thread, in arrival order.
class StepQueue {
public:
    void push(ScriptStep step) {
        {
            std::lock_guard lock(mutex);
            steps.push_back(std::move(step));
        }
        ready.notify_one();
    }
    std::optional<ScriptStep> pop(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        if (!ready.wait_for(lock, timeout, [this] { return !steps.empty(); })) return std::nullopt;
        ScriptStep step = std::move(steps.front());
        steps.pop_front();
        return step;
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<ScriptStep> steps;
};

const char* dialogWord(adsk::sim::DialogKind kind) {
    switch (kind) {
    case adsk::sim::DialogKind::Save: return "save";
    case adsk::sim::DialogKind::Folder: return "folder";
    default: return "open";
    }
}

std::string contentTypeFor(const std::filesystem::path& file) {
    const auto extension = file.extension().string();
    if (extension == ".html") return "text/html; charset=utf-8";
    if (extension == ".js") return "text/javascript; charset=utf-8";
    if (extension == ".css") return "text/css; charset=utf-8";
    if (extension == ".svg") return "image/svg+xml";
    if (extension == ".png") return "image/png";
    return "application/octet-stream";
}

std::optional<std::string> readWholeFile(const std::filesystem::path& file) {
    std::error_code status;
    if (!std::filesystem::is_regular_file(file, status)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) return std::nullopt;
    return std::move(text).str();
}

// A page file name: one plain component, no hidden files, no way out of the folder.
bool plainFileName(const std::string& name) {
    if (name.empty() || name.front() == '.') return false;
    return name.find_first_of("/\\") == std::string::npos;
}

class Bridge {
public:
    Bridge(adsk::sim::SimHost& simulated, ScriptRunner& scriptRunner, const ServeOptions& serveOptions)
        : host(simulated), runner(scriptRunner), options(serveOptions), token(makeToken()) {}

    int run(std::FILE* announce);

private:
    void routes();
    bool allowed(const httplib::Request& request) const;
    void servePageFile(const std::string& name, httplib::Response& response);
    void streamEvents(httplib::Response& response);
    void acceptSend(const httplib::Request& request, httplib::Response& response);
    void acceptScriptLine(const httplib::Request& request, httplib::Response& response);
    void waitForDialogAnswer(const adsk::sim::DialogShown& request);
    void refreshPaletteQuery();
    bool stopping() const { return stopRequested || interrupted; }

    adsk::sim::SimHost& host;
    ScriptRunner& runner;
    const ServeOptions& options;
    const std::string token;
    int port = 0;
    httplib::Server server;
    EventHub hub;
    StepQueue steps;
    std::atomic<bool> stopRequested{false};
    std::mutex dialogMutex;
    std::condition_variable dialogAnswered;
    // The dialog waiting for an answer, shown again to a page that connects
    // while it waits (a reloaded page must still be able to answer it).
    std::string openDialogLine;
    mutable std::mutex queryMutex;
    std::string paletteQuery{defaultQuery};
};

bool Bridge::allowed(const httplib::Request& request) const {
    const std::string suppliedToken = request.get_param_value("token");
    const std::string hostHeader = request.get_header_value("Host");
    const std::string origin = request.get_header_value("Origin");
    return requestAllowed({suppliedToken, hostHeader, origin}, token, port);
}

void Bridge::refreshPaletteQuery() {
    const auto palette = host.palette(mainPaletteId);
    std::string query(defaultQuery);
    if (palette) {
        const auto mark = palette->htmlFileURL.find('?');
        if (mark != std::string::npos) query = palette->htmlFileURL.substr(mark + 1);
    }
    std::lock_guard lock(queryMutex);
    paletteQuery = std::move(query);
}

void Bridge::servePageFile(const std::string& name, httplib::Response& response) {
    const auto file = options.pageFolder / (name.empty() ? "index.html" : name);
    auto text = plainFileName(file.filename().string()) ? readWholeFile(file) : std::nullopt;
    if (!text) {
        response.status = 404;
        response.set_content("not found\n", "text/plain");
        return;
    }
    if (name.empty() || name == "index.html") {
        std::lock_guard lock(queryMutex);
        text = servedPage(std::move(*text), token, paletteQuery);
    }
    response.set_header("Cache-Control", "no-store");
    response.set_content(*text, contentTypeFor(file));
}

void Bridge::streamEvents(httplib::Response& response) {
    std::shared_ptr<EventHub::Reader> reader;
    {
        // Under the dialog lock, so that a dialog opening now is seen exactly once.
        std::lock_guard lock(dialogMutex);
        reader = hub.subscribe(openDialogLine);
    }
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        "text/event-stream",
        [reader](std::size_t, httplib::DataSink& sink) {
            // A comment on idle seconds keeps the connection alive and lets a
            // closed page be noticed.
            static constexpr std::string_view idle = ": corvana\n\n";
            const auto lines = reader->take(1s);
            if (reader->closed()) return false;
            std::string chunk;
            for (const auto& line : lines) chunk.append("data: ").append(line).append("\n\n");
            if (chunk.empty()) chunk = idle;
            return sink.write(chunk.data(), chunk.size());
        },
        [this, reader](bool) { hub.unsubscribe(reader); });
}

void Bridge::acceptSend(const httplib::Request& request, httplib::Response& response) {
    const Json body = Json::parse(request.body, nullptr, false);
    if (!body.is_object() || !body.contains("action") || !body["action"].is_string() ||
        body["action"].get<std::string>().empty()) {
        response.status = 400;
        response.set_content(R"({"error":"expected {\"action\":\"...\",\"data\":\"...\"}"})", "application/json");
        return;
    }
    std::string data;
    if (body.contains("data")) data = body["data"].is_string() ? body["data"].get<std::string>() : body["data"].dump();
    steps.push(SendStep{body["action"].get<std::string>(), std::move(data)});
    response.set_content(R"({"ok":true})", "application/json");
}

void Bridge::acceptScriptLine(const httplib::Request& request, httplib::Response& response) {
    const ParsedLine parsed = parseScriptLine(request.body);
    if (!parsed.step) {
        response.status = 400;
        response.set_content(Json{{"error", parsed.blank ? "empty script line" : parsed.error}}.dump(),
                             "application/json");
        return;
    }
    // A dialog answer goes straight to the host: the main thread may be waiting
    // inside the dialog for it.
    if (const auto* dialog = std::get_if<DialogStep>(&*parsed.step)) {
        {
            std::lock_guard lock(dialogMutex);
            if (dialog->ok)
                host.queueDialogOk(dialog->path);
            else
                host.queueDialogCancel();
        }
        dialogAnswered.notify_all();
    } else {
        if (std::holds_alternative<StopStep>(*parsed.step)) {
            stopRequested = true;
            dialogAnswered.notify_all();
        }
        steps.push(*parsed.step);
    }
    response.set_content(R"({"ok":true})", "application/json");
}

void Bridge::waitForDialogAnswer(const adsk::sim::DialogShown& request) {
    Json event{{"dialog", dialogWord(request.kind)}, {"title", request.title}, {"filter", request.filter},
               {"initialDirectory", request.initialDirectory}, {"initialFilename", request.initialFilename}};
    const std::string line = event.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::unique_lock lock(dialogMutex);
    openDialogLine = line;
    hub.publish(line);
    while (host.pendingDialogAnswers() == 0 && !stopping()) dialogAnswered.wait_for(lock, 200ms);
    openDialogLine.clear();
}

void Bridge::routes() {
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (allowed(request)) return httplib::Server::HandlerResponse::Unhandled;
        response.status = 403;
        response.set_content("forbidden\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
    });
    server.Get("/", [this](const httplib::Request&, httplib::Response& response) { servePageFile("", response); });
    server.Get("/events", [this](const httplib::Request&, httplib::Response& response) { streamEvents(response); });
    server.Get(R"(/([A-Za-z0-9_.-]+))", [this](const httplib::Request& request, httplib::Response& response) {
        servePageFile(request.matches[1].str(), response);
    });
    server.Post("/send", [this](const httplib::Request& request, httplib::Response& response) {
        acceptSend(request, response);
    });
    server.Post("/script", [this](const httplib::Request& request, httplib::Response& response) {
        acceptScriptLine(request, response);
    });
}

int Bridge::run(std::FILE* announce) {
    routes();
    // Event streams hold a worker each for as long as a page is open.
    server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    // Feedback attachments are the largest requests (a few megabytes each).
    server.set_payload_max_length(std::size_t{64} << 20);
    // The library's default also shares the port (SO_REUSEPORT), which would let
    // a second server on the same port take half of the page's requests.
    server.set_socket_options([](socket_t fd) {
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    if (options.port == 0)
        port = server.bind_to_any_port(loopback);
    else
        port = server.bind_to_port(loopback, options.port) ? options.port : -1;
    if (port <= 0) {
        std::cerr << "corvana-host: cannot listen on " << loopback << ":" << options.port << "\n";
        return 1;
    }
    host.setObserver([this](const adsk::sim::HostRecord& record) {
        if (const auto line = formatHostRecord(record)) hub.publish(line->text);
    });
    host.setDialogPrompt([this](const adsk::sim::DialogShown& request) { waitForDialogAnswer(request); });
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    refreshPaletteQuery();
    std::thread listener([this] { server.listen_after_bind(); });
    std::fprintf(announce, "http://%s:%d/?token=%s\n", loopback, port, token.c_str());
    std::fflush(announce);

    while (!interrupted) {
        const auto step = steps.pop(5ms);
        if (!step) {
            adsk::doEvents();
            continue;
        }
        const StepOutcome outcome = runner.runStep(*step);
        if (!outcome.notice.empty()) std::cerr << "corvana-host: " << outcome.notice << "\n";
        if (!outcome.ok) std::cerr << "corvana-host: " << outcome.error << "\n";
        refreshPaletteQuery();
        if (runner.stopped()) break;
    }
    std::string error;
    const bool ok = runner.stopAddin(error);
    if (!ok) std::cerr << "corvana-host: " << error << "\n";
    host.setDialogPrompt(nullptr);
    host.setObserver(nullptr);
    hub.close();
    server.stop();
    listener.join();
    return ok ? 0 : 1;
}

} // namespace

bool requestAllowed(const RequestFacts& facts, std::string_view expectedToken, int port) {
    if (expectedToken.empty() || facts.token != expectedToken) return false;
    const std::string portText = ":" + std::to_string(port);
    const auto ours = [&portText](std::string_view text, const std::string& prefix) {
        return text == prefix + "127.0.0.1" + portText || text == prefix + "localhost" + portText;
    };
    if (!ours(facts.host, "")) return false;
    return facts.origin.empty() || ours(facts.origin, "http://");
}

std::string makeToken() {
    std::random_device entropy;
    static constexpr char digits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 32; ++i) token += digits[entropy() % 16];
    return token;
}

std::string servedPage(std::string html, const std::string& token, const std::string& paletteQuery) {
    const auto at = html.find(scriptTag);
    if (at == std::string::npos) return html;
    const Json settings{{"token", token}, {"query", paletteQuery}};
    // No "<" may reach the inline script, or "</script>" in a value could end it.
    std::string settingsText;
    for (const char c : settings.dump(-1, ' ', false, Json::error_handler_t::replace))
        settingsText += c == '<' ? std::string("\\u003c") : std::string(1, c);
    const std::string replacement = "<script>window.corvanaBridge=" + settingsText +
                                    ";</script>\n<script src=\"corvana.js?token=" + token + "\"></script>";
    html.replace(at, scriptTag.size(), replacement);
    return html;
}

int servePage(adsk::sim::SimHost& host, ScriptRunner& runner, const ServeOptions& options, std::FILE* announce) {
    Bridge bridge(host, runner, options);
    return bridge.run(announce);
}

} // namespace Corvana
