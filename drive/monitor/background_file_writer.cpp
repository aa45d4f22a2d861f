#include "drive/monitor/background_file_writer.h"

#include <unistd.h>

namespace tarvex {

std::unique_ptr<BackgroundFileWriter> BackgroundFileWriter::create(const std::string &path,
                                                                   std::function<void()> failed)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return nullptr;
    return std::unique_ptr<BackgroundFileWriter>(new BackgroundFileWriter(file, std::move(failed)));
}

BackgroundFileWriter::BackgroundFileWriter(std::FILE *file, std::function<void()> failed)
    : file_(file), failed_(std::move(failed))
{
    thread_.startIfIdle([this] { run(); });
}

BackgroundFileWriter::~BackgroundFileWriter() { finish(); }

void BackgroundFileWriter::append(std::string text)
{
    bool overflow = false;
    {
        std::lock_guard lock(mutex_);
        if (ending_ || broken_)
            return;
        if (queued_.size() + text.size() > kMaxQueued) {
            overflow = true;
        } else {
            queued_ += text;
        }
    }
    if (overflow) {
        fail();
        return;
    }
    wake_.notify_one();
}

bool BackgroundFileWriter::finish()
{
    {
        std::lock_guard lock(mutex_);
        if (finished_)
            return !broken_;
        finished_ = true;
        ending_ = true;
    }
    wake_.notify_one();
    thread_.waitUntilEnded({});
    // A full disk may only show when the written pages reach it: the
    // recording is complete only when they have.
    const bool synced = ::fsync(::fileno(file_)) == 0;
    const bool closed = std::fclose(file_) == 0 && synced;
    file_ = nullptr;
    std::lock_guard lock(mutex_);
    if (!closed)
        broken_ = true;
    return !broken_;
}

void BackgroundFileWriter::run()
{
    std::string batch;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || broken_ || !queued_.empty(); });
            if (broken_ || (queued_.empty() && ending_))
                return;
            batch.swap(queued_);
        }
        const bool written = std::fwrite(batch.data(), 1, batch.size(), file_) == batch.size() &&
                             std::fflush(file_) == 0;
        batch.clear();
        if (!written) {
            fail();
            return;
        }
    }
}

void BackgroundFileWriter::fail()
{
    {
        std::lock_guard lock(mutex_);
        if (broken_)
            return;
        broken_ = true;
        queued_.clear();
    }
    wake_.notify_one();
    if (failed_)
        failed_();
}

} // namespace tarvex
