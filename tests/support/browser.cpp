#include "support/browser.h"

#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using nlohmann::json;

const int ReplyTimeoutMs = 60000;

// The flags a root user needs on a machine without network or display, and a
// profile of its own.
std::vector<std::string> BrowserArguments(const std::string& profile) {
    return {"--headless",
            "--no-sandbox",
            "--disable-gpu",
            "--disable-quic",
            "--no-first-run",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            "--disable-extensions",
            "--hide-scrollbars",
            "--mute-audio",
            "--user-data-dir=" + profile,
            "--remote-debugging-pipe",
            "about:blank"};
}

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string HeadlessBrowser::Executable() {
    const char* chosen = std::getenv("KORVANE_CHROMIUM");
    return chosen != nullptr && *chosen != '\0' ? chosen : "/usr/bin/chromium";
}

HeadlessBrowser::~HeadlessBrowser() {
    Stop();
}

bool HeadlessBrowser::Start(int width, int height, std::string* error) {
    const std::string browser = Executable();
    if (access(browser.c_str(), X_OK) != 0) {
        *error = browser + " is missing: scripts/install-deps.sh installs Debian's chromium";
        return false;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "korvane-browser-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        *error = "cannot make a browser profile directory";
        return false;
    }
    profile_ = pattern;
    closed_ = false;
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
        *error = "cannot make pipes";
        return false;
    }
    const std::string log = profile_ + "/browser.log";
    // Everything the child needs is made before the fork.
    std::vector<std::string> args = BrowserArguments(profile_);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(browser.c_str()));
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        // The browser reads commands from descriptor 3 and answers on 4.
        int in = fcntl(toChild[0], F_DUPFD, 10);
        int out = fcntl(fromChild[1], F_DUPFD, 10);
        dup2(in, 3);
        dup2(out, 4);
        int logFile = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(logFile, 1);
        dup2(logFile, 2);
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        for (int fd = 5; fd < 256; ++fd) {
            close(fd);
        }
        execv(browser.c_str(), argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    toBrowser_ = toChild[1];
    fromBrowser_ = fromChild[0];
    if (pid_ < 0) {
        *error = "cannot start the browser";
        return false;
    }

    json target = Send("Target.createTarget", {{"url", "about:blank"}}, false);
    if (!target.contains("targetId")) {
        std::ifstream logText(log);
        std::string said((std::istreambuf_iterator<char>(logText)),
                         std::istreambuf_iterator<char>());
        *error = "the browser made no page: " + lastError_ + "\nits log:\n" + said;
        return false;
    }
    json attached =
        Send("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, false);
    if (!attached.contains("sessionId")) {
        *error = "cannot attach to the page: " + lastError_;
        return false;
    }
    session_ = attached["sessionId"];
    for (const char* domain : {"Page.enable", "Runtime.enable", "Log.enable", "Network.enable"}) {
        Send(domain, json::object());
    }
    Send("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
    if (!lastError_.empty()) {
        *error = lastError_;
        return false;
    }
    return true;
}

bool HeadlessBrowser::Navigate(const std::string& url, std::string* error) {
    loaded_ = false;
    json result = Send("Page.navigate", {{"url", url}});
    if (result.contains("errorText")) {
        *error = "cannot load " + url + ": " + result["errorText"].get<std::string>();
        return false;
    }
    const long long deadline = NowMs() + ReplyTimeoutMs;
    json message;
    while (!loaded_ && NowMs() < deadline && !closed_) {
        if (Read(&message, 1000)) {
            Note(message);
        }
    }
    if (!loaded_) {
        *error = "the page did not finish loading: " + url;
    }
    return loaded_;
}

json HeadlessBrowser::Evaluate(const std::string& expression) {
    json reply =
        Send("Runtime.evaluate",
             {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    if (reply.contains("exceptionDetails")) {
        lastError_ = "script failed: " + reply["exceptionDetails"].dump();
        return nullptr;
    }
    if (!reply.contains("result") || !reply["result"].contains("value")) {
        return nullptr;
    }
    return reply["result"]["value"];
}

void HeadlessBrowser::Mouse(const std::string& type, double x, double y, bool leftDown) {
    json params = {{"type", type}, {"x", x}, {"y", y}, {"buttons", leftDown ? 1 : 0}};
    if (type != "mouseMoved" || leftDown) {
        params["button"] = "left";
    }
    if (type != "mouseMoved") {
        params["clickCount"] = 1;
    }
    Send("Input.dispatchMouseEvent", params);
}

void HeadlessBrowser::Click(double x, double y) {
    Mouse("mouseMoved", x, y, false);
    Mouse("mousePressed", x, y, true);
    Mouse("mouseReleased", x, y, false);
}

std::string HeadlessBrowser::Screenshot() {
    json shot = Send("Page.captureScreenshot", {{"format", "png"}});
    return shot.contains("data") ? DecodeBase64(shot["data"]) : std::string();
}

json HeadlessBrowser::Send(const std::string& method, json params, bool toPage) {
    if (toBrowser_ < 0) {
        lastError_ = "no browser";
        return json::object();
    }
    const int id = nextId_++;
    json command = {{"id", id}, {"method", method}, {"params", std::move(params)}};
    if (toPage && !session_.empty()) {
        command["sessionId"] = session_;
    }
    std::string text = command.dump();
    text.push_back('\0');
    for (size_t written = 0; written < text.size();) {
        ssize_t n = write(toBrowser_, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            lastError_ = "the browser stopped reading (" + method + ")";
            return json::object();
        }
        written += static_cast<size_t>(n);
    }
    const long long deadline = NowMs() + ReplyTimeoutMs;
    json message;
    // A busy machine may take the browser seconds to answer: only the
    // deadline or a closed pipe ends the wait.
    while (NowMs() < deadline) {
        if (!Read(&message, 1000)) {
            if (closed_) {
                break;
            }
            continue;
        }
        if (message.contains("id") && message["id"] == id) {
            if (message.contains("error")) {
                lastError_ = method + ": " + message["error"].dump();
                return json::object();
            }
            return message.value("result", json::object());
        }
        Note(message);
    }
    lastError_ = "no answer to " + method;
    return json::object();
}

// One message; false when none came in time or the browser has gone.
bool HeadlessBrowser::Read(json* message, int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
        const size_t end = buffer_.find('\0');
        if (end != std::string::npos) {
            *message = json::parse(buffer_.substr(0, end), nullptr, false);
            buffer_.erase(0, end + 1);
            return true;
        }
        const long long left = deadline - NowMs();
        if (left <= 0) {
            return false;
        }
        pollfd fd{fromBrowser_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char chunk[65536];
        ssize_t n = read(fromBrowser_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            closed_ = true;
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

void HeadlessBrowser::Note(const json& event) {
    const std::string method = event.value("method", "");
    const json params = event.value("params", json::object());
    if (method == "Page.loadEventFired") {
        loaded_ = true;
    } else if (method == "Runtime.consoleAPICalled") {
        std::string text = "console." + params.value("type", std::string("?")) + ":";
        for (const json& arg : params.value("args", json::array())) {
            text += " " + (arg.contains("value") ? arg["value"].dump()
                                                 : arg.value("description", std::string("?")));
        }
        messages_.push_back(text);
    } else if (method == "Runtime.exceptionThrown") {
        messages_.push_back("exception: " + params.dump());
    } else if (method == "Log.entryAdded") {
        const json entry = params.value("entry", json::object());
        messages_.push_back("log." + entry.value("level", std::string("?")) + ": " +
                            entry.value("text", std::string()));
    } else if (method == "Network.requestWillBeSent") {
        requests_.push_back(params.value("request", json::object()).value("url", std::string()));
    }
}

void HeadlessBrowser::Stop() {
    if (pid_ > 0) {
        Send("Browser.close", json::object(), false);
        close(toBrowser_);
        toBrowser_ = -1;
        int status = 0;
        const long long deadline = NowMs() + 10000;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (NowMs() > deadline) {
                kill(pid_, SIGKILL);  // only the browser this object started
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        pid_ = -1;
    }
    if (toBrowser_ >= 0) {
        close(toBrowser_);
        toBrowser_ = -1;
    }
    if (fromBrowser_ >= 0) {
        close(fromBrowser_);
        fromBrowser_ = -1;
    }
    if (!profile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(profile_, ignored);
        profile_.clear();
    }
}

std::string DecodeBase64(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    std::string out;
    unsigned bits = 0;
    int collected = 0;
    for (char c : text) {
        const int v = value(c);
        if (v < 0) {
            continue;  // padding and line breaks
        }
        bits = ((bits << 6) | static_cast<unsigned>(v)) & 0xFFFFu;
        collected += 6;
        if (collected >= 8) {
            collected -= 8;
            out.push_back(static_cast<char>((bits >> collected) & 0xFF));
        }
    }
    return out;
}

bool DecodePng(const std::string& png, RgbImage* image) {
    png_image decoded;
    std::memset(&decoded, 0, sizeof decoded);
    decoded.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&decoded, png.data(), png.size())) {
        return false;
    }
    decoded.format = PNG_FORMAT_RGB;
    image->width = static_cast<int>(decoded.width);
    image->height = static_cast<int>(decoded.height);
    image->pixels.resize(PNG_IMAGE_SIZE(decoded));
    if (!png_image_finish_read(&decoded, nullptr, image->pixels.data(), 0, nullptr)) {
        png_image_free(&decoded);
        return false;
    }
    return true;
}
