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
    : file_(file),
      queue_(kMaxQueued,
             WritingQueue::Sink{[this](std::string_view batch) {
                                    return std::fwrite(batch.data(), 1, batch.size(), file_) == batch.size() &&
                                           std::fflush(file_) == 0;
                                },
                                {},
                                {}},
             std::move(failed))
{
}

BackgroundFileWriter::~BackgroundFileWriter() { finish(); }

bool BackgroundFileWriter::finish()
{
    const bool written = queue_.finish();
    if (file_) {
        // A full disk may only show when the written pages reach it: the
        // recording is complete only when they have.
        const bool synced = ::fsync(::fileno(file_)) == 0;
        closedWell_ = std::fclose(file_) == 0 && synced;
        file_ = nullptr;
    }
    return written && closedWell_;
}

} // namespace tarvex
