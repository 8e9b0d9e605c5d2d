// Captures what the process writes to its standard output (C runtime stream and file 1) while
// a test calls the library, so the exact bytes can be compared.
#pragma once

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define QV_DUP _dup
#define QV_DUP2 _dup2
#define QV_CLOSE _close
#else
#include <unistd.h>
#define QV_DUP dup
#define QV_DUP2 dup2
#define QV_CLOSE close
#endif

namespace quorvane::test {

class StdoutCapture {
public:
    StdoutCapture() {
        std::fflush(stdout);
        file_ = std::tmpfile();
        saved_ = QV_DUP(1);
        QV_DUP2(fileno(file_), 1);
#ifdef _WIN32
        _setmode(1, _O_TEXT);  // as a console or a redirected file: "\n" goes out as "\r\n"
#endif
    }
    ~StdoutCapture() {
        if (saved_ >= 0) restore();
        std::fclose(file_);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written since the capture began; ends the capture.
    std::string take() {
        restore();
        std::string text;
        std::rewind(file_);
        char chunk[65536];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) text.append(chunk, n);
        return text;
    }

private:
    void restore() {
        std::fflush(stdout);
        QV_DUP2(saved_, 1);
        QV_CLOSE(saved_);
        saved_ = -1;
    }
    std::FILE* file_;
    int saved_;
};

// The bytes a line feed becomes on this platform's standard output.
inline std::string lines(std::string text) {
#ifdef _WIN32
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
#else
    return text;
#endif
}

}  // namespace quorvane::test
