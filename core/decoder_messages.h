#pragma once

// The messages Qt's decoders (libpng, libjpeg, libtiff, the SVG parser, gdk-pixbuf, ...)
// send while a picture is decoded on this thread are collected instead of reaching the
// terminal; the error the import raises says what is wrong, once. Messages of other code
// pass through.

#include <QStringList>
#include <cstdio>
#include <mutex>

namespace vonnik {

// libpng and libtiff print their errors straight to the standard error, past Qt's message
// handler: while a picture is decoded, the standard error goes to a scratch file, whose
// lines become decoder messages. Decoding is short and runs on one thread at a time.
class QuietStandardError {
  public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

    // What was written meanwhile, line by line.
    QStringList Lines() const;

  private:
    std::FILE* scratch_ = nullptr;
    int saved_ = -1;
};

// While one lives, one picture is decoded at a time and the decoders' messages are kept.
class QuietDecoders {
  public:
    QuietDecoders();
    ~QuietDecoders();
    QuietDecoders(const QuietDecoders&) = delete;
    QuietDecoders& operator=(const QuietDecoders&) = delete;
    // Qt's messages, then the lines of the standard error.
    QStringList Messages() const { return messages_ + stderr_.Lines(); }

  private:
    std::lock_guard<std::mutex> lock_;
    QuietStandardError stderr_;
    QStringList messages_;
    QStringList* outer_ = nullptr;
};

}  // namespace vonnik
