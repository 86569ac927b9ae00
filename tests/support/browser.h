// A real browser for tests: Debian's headless Chromium, driven over its
// DevTools protocol on a pipe (--remote-debugging-pipe), so that a test can
// load a page, run script in it, move and click the mouse, collect what the
// page logged or fetched, and take a screenshot.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class HeadlessBrowser {
public:
    // The browser: KORVANE_CHROMIUM if set, else /usr/bin/chromium.
    static std::string Executable();

    HeadlessBrowser() = default;
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // Starts the browser with one page of the given size; false (with the
    // reason) when it cannot.
    bool Start(int width, int height, std::string* error);

    // Loads a URL and waits for its load event.
    bool Navigate(const std::string& url, std::string* error);

    // Runs a script expression in the page; its value (by value, promises
    // awaited). A script exception is recorded as a failure of the call.
    nlohmann::json Evaluate(const std::string& expression);

    // Mouse events at page coordinates: "mousePressed", "mouseMoved",
    // "mouseReleased" with the left button.
    void Mouse(const std::string& type, double x, double y, bool leftDown);
    void Click(double x, double y);

    // The page as a PNG image.
    std::string Screenshot();

    // Everything the page logged to its console, threw, or the browser
    // reported about it, as text.
    const std::vector<std::string>& Messages() const { return messages_; }
    // Every URL the page requested.
    const std::vector<std::string>& Requests() const { return requests_; }
    // The last protocol error, empty if none.
    const std::string& LastError() const { return lastError_; }

private:
    nlohmann::json Send(const std::string& method, nlohmann::json params, bool toPage = true);
    bool Read(nlohmann::json* message, int timeoutMs);
    void Note(const nlohmann::json& event);
    void Stop();

    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    std::string buffer_;
    bool closed_ = false;  // the browser closed its end of the pipe
    int nextId_ = 1;
    std::string session_;
    std::string profile_;
    bool loaded_ = false;
    std::vector<std::string> messages_;
    std::vector<std::string> requests_;
    std::string lastError_;
};

// Decodes base64 text (as the protocol sends images).
std::string DecodeBase64(const std::string& text);

// An image decoded from PNG, three bytes a pixel (RGB), row by row.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* At(int x, int y) const {
        return &pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                        static_cast<size_t>(x)) *
                       3];
    }
};
bool DecodePng(const std::string& png, RgbImage* image);
