// The memory budget of the whole-file operations and the temporary files behind it.
#include "spill.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "utils.h"

// ---- The budget ------------------------------------------------------------------------------------

namespace {

// Kept out of the budget for everything else the run holds: the program, the stream and line
// buffers, the selection and the comment queue.
size_t reserve_besides() { return (size_t{16} << 20) + 4 * settings.maxbuff; }

const char* setting_text()
{
    const char* text = std::getenv("VORN_MEMORY");
    return text && *text ? text : nullptr;
}

}  // namespace

std::optional<size_t> budget_for(const char* setting, size_t physical, size_t room, size_t reserve)
{
    size_t budget = physical / 2;
    if (setting && *setting) {
        const std::optional<size_t> given = parse_memory_size(setting);
        if (!given) return std::nullopt;
        budget = *given;
    }
    const size_t left = room > reserve ? room - reserve : 0;
    return std::min(budget, left);
}

size_t memory_budget()
{
    static const size_t budget = [] {
        const char* setting = setting_text();
        const std::optional<size_t> b = budget_for(setting, physical_memory(), address_space_room(), reserve_besides());
        if (!b)
            error(
                "VORN_MEMORY=%s is not a memory size: give a number of bytes, optionally followed by K, M or G "
                "(for example VORN_MEMORY=256M)\n",
                setting);
        return *b;
    }();
    return budget;
}

bool fits_in_budget(size_t count, size_t each)
{
    const size_t budget = memory_budget();
    return each == 0 || count <= budget / each;
}

size_t budget_count(size_t each, size_t besides, const char* what)
{
    const size_t budget = memory_budget();
    const size_t left = budget > besides ? budget - besides : 0;
    if (each > 0 && left / each >= 1) return left / each;
    std::string need = std::string(what) + " (" + std::to_string(each) + " bytes";
    if (besides > 0) need += ", and " + std::to_string(besides) + " bytes of buffers beside it";
    need += ")";
    if (const char* setting = setting_text())
        error("The memory budget VORN_MEMORY=%s (%lu bytes) is smaller than %s\n", setting,
              static_cast<unsigned long>(budget), need.c_str());
    error("The memory this run may use (%lu bytes, within its address-space limit) is smaller than %s\n",
          static_cast<unsigned long>(budget), need.c_str());
}

// ---- Temporary files -------------------------------------------------------------------------------

spill_file::spill_file() : dir_(temporary_directory())
{
    fd_ = anonymous_file(dir_);
    if (fd_.get() < 0) error("Could not create a temporary file in %s: %s\n", dir_.c_str(), std::strerror(errno));
}

void spill_file::write_at(const void* data, size_t n, uint64_t offset)
{
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
        !write_all_at(fd_.get(), data, n, static_cast<off_t>(offset)))
        error("Could not write a temporary file in %s: %s\n", dir_.c_str(), std::strerror(errno));
}

void spill_file::read_at(void* data, size_t n, uint64_t offset) const
{
    if (!read_all_at(fd_.get(), data, n, static_cast<off_t>(offset)))
        error("Could not read back a temporary file in %s: %s\n", dir_.c_str(), std::strerror(errno));
}

spill_writer::spill_writer(spill_file& file, size_t buffer_bytes, uint64_t start)
    : file_(&file), buffer_(my_malloc(char, buffer_bytes)), capacity_(buffer_bytes), end_(start)
{
}

void spill_writer::flush()
{
    if (fill_ == 0) return;
    file_->write_at(buffer_.get(), fill_, end_);
    end_ += fill_;
    fill_ = 0;
}

// ---- Sorted runs -------------------------------------------------------------------------------------

spilled_runs::spilled_runs(size_t record_bytes, size_t buffer_bytes)
    : record_(record_bytes),
      file_(std::make_unique<spill_file>()),
      writer_(*file_, std::max(record_bytes, buffer_bytes))
{
}

void spilled_runs::end_run()
{
    const uint64_t end = writer_.end();
    if (end > run_start_) runs_.push_back({run_start_, (end - run_start_) / record_});
    run_start_ = end;
}

size_t spilled_runs::fan_in(size_t memory) const
{
    // Every run of a merge reads through a buffer of its own, of a few pages at least.
    const size_t least = std::max<size_t>(record_, 16384);
    return std::max<size_t>(2, memory / least);
}

// ---- Rows by column ----------------------------------------------------------------------------------

column_blocks::column_blocks(size_t columns, size_t block_rows)
    : columns_(columns), block_rows_(block_rows), block_(columns * block_rows)
{
}

void column_blocks::spill_block()
{
    // The block being filled is block `blocks_`; a partial (last) block closes up its columns.
    const size_t n = fill_;
    if (n == 0) return;
    const uint64_t start = static_cast<uint64_t>(blocks_) * block_rows_ * columns_ * sizeof(double);
    if (n == block_rows_) {
        file_.write_at(block_.get(), n * columns_ * sizeof(double), start);
    } else {
        for (size_t c = 0; c < columns_; ++c)
            file_.write_at(block_.get() + c * block_rows_, n * sizeof(double), start + c * n * sizeof(double));
    }
    rows_ += n;
    ++blocks_;
    fill_ = 0;
}

void column_blocks::finish()
{
    spill_block();
    block_.reset();
}

void column_blocks::read(size_t b, size_t c, size_t from, size_t n, double* values) const
{
    file_.read_at(values, n * sizeof(double), offset(b, c, from));
}

void column_blocks::write(size_t b, size_t c, size_t from, size_t n, const double* values)
{
    file_.write_at(values, n * sizeof(double), offset(b, c, from));
}

void column_blocks::read_block(size_t b, double* values) const
{
    file_.read_at(values, rows_in(b) * columns_ * sizeof(double), offset(b, 0, 0));
}

void column_blocks::column_writer::flush()
{
    for (size_t i = 0; i < fill_;) {
        const size_t b = blocks_.block_of(row_);
        const size_t from = row_ - blocks_.first_row(b);
        const size_t n = std::min(fill_ - i, blocks_.rows_in(b) - from);
        blocks_.write(b, c_, from, n, buffer_.get() + i);
        i += n;
        row_ += n;
    }
    fill_ = 0;
}
