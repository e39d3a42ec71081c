// Summaries of columns: statistics per column or per group of rows (--stats, --group-by), the
// correlation or covariance matrix of columns (--correlate) and counts in bins (--histogram).
//
// Statistics that need one look at each value (counts, extremes, exact sums, moments) are kept
// per column while the rows stream by. Order statistics need the values themselves: they are
// held per column within the memory budget and, beyond it, spilled to temporary files as sorted
// runs that are merged back in order; both ways give the same numbers.
#include "stats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "frame.h"
#include "operations.h"
#include "readflag.h"
#include "spill.h"
#include "stats_accumulate.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

struct named_statistic {
    const char* name;
    statistic what;
    double p;
};
constexpr named_statistic NAMES[] = {
    {"count", statistic::count, 0},     {"nan", statistic::nan, 0},           {"sum", statistic::sum, 0},
    {"min", statistic::min, 0},         {"max", statistic::max, 0},           {"range", statistic::range, 0},
    {"absmin", statistic::absmin, 0},   {"absmax", statistic::absmax, 0},     {"mean", statistic::mean, 0},
    {"geomean", statistic::geomean, 0}, {"harmmean", statistic::harmmean, 0}, {"median", statistic::quantile, 0.5},
    {"q1", statistic::quantile, 0.25},  {"q3", statistic::quantile, 0.75},    {"iqr", statistic::iqr, 0},
    {"mode", statistic::mode, 0},       {"antimode", statistic::antimode, 0}, {"pvar", statistic::pvar, 0},
    {"svar", statistic::svar, 0},       {"pstdev", statistic::pstdev, 0},     {"sstdev", statistic::sstdev, 0},
    {"mad", statistic::mad, 0},         {"sskew", statistic::sskew, 0},       {"pskew", statistic::pskew, 0},
    {"skurt", statistic::skurt, 0},     {"pkurt", statistic::pkurt, 0},       {"sem", statistic::sem, 0},
};

std::string known_names()
{
    std::string all;
    for (const named_statistic& n : NAMES) all += std::string(n.name) + " ";
    return all + "pN (a percentile from 0 to 100, such as p5 or p99.9)";
}

}  // namespace

std::vector<stat_item> parse_stat_list(const char* list)
{
    const std::string text = list ? list : DEFAULT_STATS;
    std::vector<stat_item> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto known =
            std::find_if(std::begin(NAMES), std::end(NAMES), [&](const named_statistic& n) { return name == n.name; });
        if (known != std::end(NAMES)) {
            items.push_back({known->what, known->p, name});
        } else if (name.size() > 1 && name[0] == 'p' &&
                   (std::isdigit(static_cast<unsigned char>(name[1])) || name[1] == '.')) {
            char* end = nullptr;
            const double percent = std::strtod(name.c_str() + 1, &end);
            if (*end != '\0')
                error("Unknown statistic %s; the statistics are: %s\n", name.c_str(), known_names().c_str());
            if (!(percent >= 0 && percent <= 100)) error("Percentile %s is outside 0 to 100\n", name.c_str());
            items.push_back({statistic::quantile, percent / 100, name});
        } else {
            error("Unknown statistic %s; the statistics are: %s\n", name.empty() ? "(empty)" : name.c_str(),
                  known_names().c_str());
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

pairwise_kind parse_pairwise(const char* arg)
{
    if (!arg || std::strcmp(arg, "pearson") == 0) return pairwise_kind::pearson;
    if (std::strcmp(arg, "spearman") == 0) return pairwise_kind::spearman;
    if (std::strcmp(arg, "cov") == 0) return pairwise_kind::cov;
    error("Unknown kind %s for --correlate; the kinds are: pearson spearman cov\n", arg);
}

bins_request parse_bins(const char* arg)
{
    bins_request r;
    char* end = nullptr;
    r.bins = std::strtol(arg, &end, 10);
    if (end == arg) error("Can't convert %s to a number\n", arg);
    if (r.bins < 1) error("The number of bins must be at least 1 (%ld)\n", r.bins);
    if (*end == ',') {
        if (std::sscanf(end + 1, "%lg,%lg", &r.lo, &r.hi) != 2) error("Need BINS,LO,HI for --histogram: %s\n", arg);
        if (!(r.lo < r.hi) || !std::isfinite(r.lo) || !std::isfinite(r.hi))
            error("The lower edge must be below the upper edge in --histogram: %s\n", arg);
        r.range_given = true;
    } else if (*end != '\0') {
        error("Need BINS,LO,HI for --histogram: %s\n", arg);
    }
    return r;
}

namespace {

// ---- Columns -----------------------------------------------------------------------------------------

// A selection written inline that names a column the file does not have is fatal: a summary of
// fewer columns than asked for would pass unnoticed.
void refuse_selection_beyond(size_t antal, const char* namein)
{
    for (const std::string& s : settings.flag_lines) {
        size_t start = 0;
        for (;;) {
            const size_t comma = s.find(',', start);
            const std::string token = s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            int a = 0, b = 0, c = 0;
            long highest = 0;
            if (std::sscanf(token.c_str(), "%8d : %8d : %8d", &a, &b, &c) == 3)
                highest = std::max<long>(a, c);
            else if (const int n = std::sscanf(token.c_str(), "%8d - %8d", &a, &b); n == 2)
                highest = std::max<long>(a, b);
            else if (n == 1)
                highest = a;
            if (highest > static_cast<long>(antal))
                error("The selection %s names column %ld, beyond the %lu columns of %s\n", s.c_str(), highest,
                      static_cast<unsigned long>(antal), namein);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
}

// The columns to summarize, 0-based: the selected ones, or every one (but the key) without a
// selection.
std::vector<size_t> chosen_columns(frame& f, const char* flagfile, long key, const char* namein)
{
    const size_t antal = f.columns();
    refuse_selection_beyond(antal, namein);
    if (key > static_cast<long>(antal))
        error("The key column %ld is beyond the %lu columns of %s\n", key, static_cast<unsigned long>(antal), namein);
    const bool selection = flagfile || !settings.flag_lines.empty();
    std::vector<size_t> columns;
    for (size_t c = 0; c < antal; ++c)
        if (selection ? f.marks()[c] != 0 : static_cast<long>(c) + 1 != key) columns.push_back(c);
    return columns;
}

// The names of the output's columns: in a comment line ahead of the rows, or as the first row in
// the styles whose tables have a header row (CSV, LaTeX).
void write_names(FILE* out, const std::vector<std::string>& names)
{
    if (!out) return;
    if (output.names_as_row) {
        output.line_start(out);
        for (size_t i = 0; i < names.size(); ++i) {
            if (i > 0) output.column_separator(out);
            std::fputs(names[i].c_str(), out);
        }
        output.line_end(out);
        return;
    }
    std::string line = "#";
    for (const std::string& n : names) line += " " + n;
    output.output_comment(out, line.c_str());
}

// Opens the output of a frame opened without one, announcing `columns` columns and `lines` rows.
void open_output(frame& f, const char* nameout, size_t columns, size_t lines)
{
    open__files& of = f.pair();
    of.nameout = nameout;
    openout(of, columns, lines);
}

// ---- Values held for order statistics ----------------------------------------------------------------

// The values of many slots (a column, or a column within a group), held within a memory budget.
// Beyond it every slot's values are sorted and spilled as one run of (slot, value) records; the
// runs merge back in slot and value order.
class rank_store {
public:
    explicit rank_store(size_t budget) : budget_(budget), most_held_(std::max<size_t>(1024, budget / 32)) {}

    void add(size_t slot, double v)
    {
        if (slot >= held_.size()) {
            held_.resize(slot + 1);
            counts_.resize(slot + 1, 0);
        }
        held_[slot].push_back(v == 0 ? 0.0 : v);  // -0 and 0 are one value here
        ++counts_[slot];
        if (++holding_ == most_held_) spill();
    }
    uint64_t count(size_t slot) const { return slot < counts_.size() ? counts_[slot] : 0; }

    // Hands each slot that holds values to take(slot, walk): the walk has seen the slot's values
    // in order and holds the ranks that ranks_of(slot, n) asked for, and the modes when asked.
    template <class Ranks, class Take>
    void answer(Ranks ranks_of, bool modes, Take take)
    {
        if (!runs_) {
            for (size_t s = 0; s < held_.size(); ++s) {
                std::vector<double>& v = held_[s];
                if (v.empty()) continue;
                sorted_walk walk(ranks_of(s, v.size()));
                if (modes) {
                    std::sort(v.begin(), v.end());
                    for (double x : v) walk.add(x);
                } else {
                    // Only the ranks asked for: each partition narrows the next.
                    auto from = v.begin();
                    for (uint64_t r : walk.ranks()) {
                        const auto at = v.begin() + static_cast<std::ptrdiff_t>(r);
                        std::nth_element(from, at, v.end());
                        walk.place(r, *at);
                        from = at;
                    }
                }
                walk.end();
                take(s, walk);
            }
            return;
        }
        std::unique_ptr<sorted_walk> walk;
        size_t slot = 0;
        merged([&](size_t s, double v) {
            if (!walk || s != slot) {
                if (walk) {
                    walk->end();
                    take(slot, *walk);
                }
                slot = s;
                walk = std::make_unique<sorted_walk>(ranks_of(s, counts_[s]));
            }
            walk->add(v);
        });
        if (walk) {
            walk->end();
            take(slot, *walk);
        }
    }

    // Replaces every value by its distance from its slot's centre.
    void to_distances(const std::vector<double>& centre)
    {
        if (!runs_) {
            for (size_t s = 0; s < held_.size(); ++s)
                for (double& x : held_[s]) x = std::fabs(x - centre[s]);
            return;
        }
        rank_store distances(budget_);
        merged([&](size_t s, double v) { distances.add(s, std::fabs(v - centre[s])); });
        *this = std::move(distances);
    }

private:
    struct record {
        uint64_t slot;
        uint64_t key;
    };
    static int compare(const char* a, const char* b)
    {
        record x, y;
        std::memcpy(&x, a, sizeof x);
        std::memcpy(&y, b, sizeof y);
        if (x.slot != y.slot) return x.slot < y.slot ? -1 : 1;
        return x.key < y.key ? -1 : x.key > y.key;
    }

    void spill()
    {
        if (!runs_) runs_ = std::make_unique<spilled_runs>(sizeof(record), std::min<size_t>(budget_ / 8, 1 << 20));
        for (size_t s = 0; s < held_.size(); ++s) {
            std::vector<double>& v = held_[s];
            std::sort(v.begin(), v.end());
            for (double x : v) {
                const record r{s, value_key(x)};
                runs_->append(&r);
            }
            std::vector<double>().swap(v);
        }
        runs_->end_run();
        holding_ = 0;
    }

    // Every value, in slot and value order, to sink(slot, value).
    template <class Sink>
    void merged(Sink sink)
    {
        spill();
        runs_->merge(
            compare,
            [&](const char* p) {
                record r;
                std::memcpy(&r, p, sizeof r);
                sink(static_cast<size_t>(r.slot), key_value(r.key));
            },
            budget_ / 2);
    }

    size_t budget_;
    size_t most_held_;
    size_t holding_ = 0;
    std::vector<std::vector<double>> held_;
    std::vector<uint64_t> counts_;
    std::unique_ptr<spilled_runs> runs_;
};

// ---- Statistics of one slot --------------------------------------------------------------------------

// What the list asks to keep while the rows stream by.
struct needs {
    bool sum = false, squares = false, moments = false, logs = false, reciprocals = false;
    bool ranks = false, modes = false, mad = false;

    explicit needs(const std::vector<stat_item>& items)
    {
        for (const stat_item& i : items) switch (i.what) {
            case statistic::sum:
            case statistic::mean: sum = true; break;
            case statistic::pvar:
            case statistic::svar:
            case statistic::pstdev:
            case statistic::sstdev:
            case statistic::sem: sum = squares = true; break;
            case statistic::sskew:
            case statistic::pskew:
            case statistic::skurt:
            case statistic::pkurt: moments = true; break;
            case statistic::geomean: logs = true; break;
            case statistic::harmmean: reciprocals = true; break;
            case statistic::quantile:
            case statistic::iqr: ranks = true; break;
            case statistic::mode:
            case statistic::antimode: ranks = modes = true; break;
            case statistic::mad: ranks = mad = true; break;
            default: break;
            }
    }
};

struct slot_state {
    uint64_t count = 0, nans = 0, pos_inf = 0, neg_inf = 0, nonpositive = 0, reciprocal_inf = 0, square_inf = 0;
    double min = INF, max = -INF, absmin = INF, absmax = -INF;
    // Each sum holds only the chunks its values reach, none until the first value.
    exact_sum sum, squares, logs, reciprocals;
    running_moments moments;

    // Returns whether v is a number (and so goes on to the order statistics).
    bool add(double v, const needs& need)
    {
        if (v != v) {
            ++nans;
            return false;
        }
        ++count;
        min = v < min ? v : min;
        max = v > max ? v : max;
        const double a = std::fabs(v);
        absmin = a < absmin ? a : absmin;
        absmax = a > absmax ? a : absmax;
        if (std::isinf(v)) {
            ++(v > 0 ? pos_inf : neg_inf);
            if (v < 0) ++nonpositive;
            return true;
        }
        if (need.sum) sum.add(v);
        if (need.squares) {
            double hi, lo;
            square_parts(v, hi, lo);
            if (std::isinf(hi)) {
                ++square_inf;
            } else {
                squares.add(hi);
                squares.add(lo);
            }
        }
        if (need.moments) moments.add(v);
        if (need.logs || need.reciprocals) {
            if (v <= 0) {
                ++nonpositive;
            } else {
                if (need.logs) logs.add(std::log(v));
                if (need.reciprocals) {
                    const double r = 1 / v;
                    if (std::isinf(r))
                        ++reciprocal_inf;
                    else
                        reciprocals.add(r);
                }
            }
        }
        return true;
    }

    bool infinite() const { return pos_inf + neg_inf > 0; }
    double infinite_sum() const { return pos_inf && neg_inf ? NaN : pos_inf ? INF : -INF; }

    // The sum of squared deviations over `divisor`·n, rounded once.
    double deviation_ratio(uint64_t divisor) const
    {
        if (infinite() || divisor == 0) return NaN;
        if (square_inf) return INF;
        return exact_deviation_ratio(sum.value(), squares.value(), count, divisor);
    }
};

// The order statistics of one slot, once the values have been walked.
struct slot_ranks {
    std::vector<double> quantile;  // per item (quantiles and iqr's q1 and q3)
    double mode = NaN, antimode = NaN, mad = NaN;
};

// The ranks a quantile p of n values needs.
void add_ranks(std::vector<uint64_t>& ranks, uint64_t n, double p)
{
    const quantile_position q = position_of(n, p);
    ranks.push_back(q.below);
    if (q.fraction > 0) ranks.push_back(q.below + 1);
}

double quantile_of(const sorted_walk& w, uint64_t n, double p)
{
    const quantile_position q = position_of(n, p);
    const double a = w.at(q.below);
    return q.fraction > 0 ? interpolate(a, w.at(q.below + 1), q.fraction) : a;
}

std::vector<uint64_t> ranks_for(const std::vector<stat_item>& items, uint64_t n, bool median)
{
    std::vector<uint64_t> ranks;
    for (const stat_item& i : items) {
        if (i.what == statistic::quantile) add_ranks(ranks, n, i.p);
        if (i.what == statistic::iqr) {
            add_ranks(ranks, n, 0.25);
            add_ranks(ranks, n, 0.75);
        }
    }
    if (median) add_ranks(ranks, n, 0.5);
    std::sort(ranks.begin(), ranks.end());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    return ranks;
}

// Every slot's order statistics from the values held.
std::vector<slot_ranks> order_statistics(rank_store& store, size_t slots, const std::vector<stat_item>& items,
                                         const needs& need)
{
    std::vector<slot_ranks> out(slots);
    std::vector<double> medians(slots, NaN);
    store.answer([&](size_t, uint64_t n) { return ranks_for(items, n, need.mad); }, need.modes,
                 [&](size_t s, const sorted_walk& w) {
                     const uint64_t n = store.count(s);
                     for (const stat_item& i : items) {
                         if (i.what == statistic::quantile) out[s].quantile.push_back(quantile_of(w, n, i.p));
                         if (i.what == statistic::iqr)
                             out[s].quantile.push_back(quantile_of(w, n, 0.75) - quantile_of(w, n, 0.25));
                     }
                     out[s].mode = w.mode();
                     out[s].antimode = w.antimode();
                     if (need.mad) medians[s] = quantile_of(w, n, 0.5);
                 });
    if (need.mad) {
        store.to_distances(medians);
        store.answer([&](size_t, uint64_t n) { return ranks_for({}, n, true); }, false,
                     [&](size_t s, const sorted_walk& w) { out[s].mad = quantile_of(w, store.count(s), 0.5); });
    }
    return out;
}

double statistic_of(const stat_item& item, const slot_state& st, const slot_ranks* ranks, size_t& next_quantile)
{
    const uint64_t n = st.count;
    if (item.what == statistic::count) return static_cast<double>(n);
    if (item.what == statistic::nan) return static_cast<double>(st.nans);
    if (n == 0) {
        if (item.what == statistic::quantile || item.what == statistic::iqr) ++next_quantile;
        return NaN;
    }
    const double dn = static_cast<double>(n);
    const running_moments* m = &st.moments;
    switch (item.what) {
    case statistic::sum: return st.infinite() ? st.infinite_sum() : to_double(st.sum.value());
    case statistic::mean: return st.infinite() ? st.infinite_sum() : exact_quotient(st.sum.value(), n);
    case statistic::min: return st.min;
    case statistic::max: return st.max;
    case statistic::range: return st.max - st.min;
    case statistic::absmin: return st.absmin;
    case statistic::absmax: return st.absmax;
    case statistic::geomean:
        if (st.nonpositive) return NaN;
        if (st.pos_inf) return INF;
        return std::exp(exact_quotient(st.logs.value(), n));
    case statistic::harmmean:
        if (st.nonpositive) return NaN;
        if (st.reciprocal_inf) return 0;
        return dn / to_double(st.reciprocals.value());
    case statistic::quantile:
    case statistic::iqr: return ranks->quantile[next_quantile++];
    case statistic::mode: return ranks->mode;
    case statistic::antimode: return ranks->antimode;
    case statistic::mad: return ranks->mad;
    case statistic::pvar: return st.deviation_ratio(n);
    case statistic::svar: return st.deviation_ratio(n - 1);
    case statistic::pstdev: return std::sqrt(st.deviation_ratio(n));
    case statistic::sstdev: return std::sqrt(st.deviation_ratio(n - 1));
    case statistic::sem: return std::sqrt(st.deviation_ratio(n - 1)) / std::sqrt(dn);
    case statistic::pskew:
    case statistic::sskew: {
        if (st.infinite() || m->m2 == 0) return NaN;
        const double g1 = std::sqrt(dn) * m->m3 / std::pow(m->m2, 1.5);
        if (item.what == statistic::pskew) return g1;
        return n > 2 ? g1 * std::sqrt(dn * (dn - 1)) / (dn - 2) : NaN;
    }
    case statistic::pkurt:
    case statistic::skurt: {
        if (st.infinite() || m->m2 == 0) return NaN;
        const double g2 = dn * m->m4 / (m->m2 * m->m2) - 3;
        if (item.what == statistic::pkurt) return g2;
        return n > 3 ? ((dn + 1) * g2 + 6) * (dn - 1) / ((dn - 2) * (dn - 3)) : NaN;
    }
    default: return NaN;
    }
}

// Group keys by value: -0 is 0, and every NaN is one key.
uint64_t group_key(double v)
{
    if (v != v) return std::bit_cast<uint64_t>(NaN);
    return std::bit_cast<uint64_t>(v == 0 ? 0.0 : v);
}

}  // namespace

void summarize(const char* namein, const char* nameout, const char* flagfile, const summary_request& request,
               size_t* vars, size_t* rows)
{
    announce("Vorn: Statistics ", "Statistics of the selected columns\n");
    const std::vector<stat_item>& items = request.items;
    const needs need(items);
    frame f(namein, nullptr, {.flagfile = flagfile, .budgeted = need.ranks});
    const size_t antal = f.columns();
    const long key = request.group_by;
    const std::vector<size_t> columns = antal ? chosen_columns(f, flagfile, key, namein) : std::vector<size_t>{};
    const size_t k = columns.size();

    // Slot g·k + j: column j within group g (one group when there are no groups).
    std::vector<slot_state> slots;
    std::vector<double> group_keys;
    std::unordered_map<uint64_t, size_t> groups;
    std::unique_ptr<rank_store> held;
    if (need.ranks) held = std::make_unique<rank_store>(memory_budget());
    auto open_group = [&](double key_value) {
        group_keys.push_back(key_value);
        slots.resize(slots.size() + k);
    };
    if (!key) open_group(0);

    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        while (f.read(row.get(), comments_at::queued)) {
            ++count;
            size_t base = 0;
            if (key) {
                const double kv = row[key - 1];
                const auto [it, fresh] = groups.try_emplace(group_key(kv), group_keys.size());
                if (fresh) open_group(kv != kv ? NaN : kv == 0 ? 0.0 : kv);
                base = it->second * k;
            }
            for (size_t j = 0; j < k; ++j) {
                const double v = row[columns[j]];
                if (slots[base + j].add(v, need) && held) held->add(base + j, v);
            }
        }
    }

    std::vector<slot_ranks> ranks;
    if (held) ranks = order_statistics(*held, slots.size(), items, need);

    const size_t lead = key ? 2 : 1;
    const size_t out_rows = k * group_keys.size();
    open_output(f, nameout, lead + items.size(), out_rows);
    std::vector<std::string> names;
    if (key) names.emplace_back("key");
    names.emplace_back("column");
    for (const stat_item& i : items) names.push_back(i.name);
    write_names(f.pair().out, names);
    std::vector<double> line(lead + items.size());
    for (size_t g = 0; g < group_keys.size(); ++g)
        for (size_t j = 0; j < k; ++j) {
            const size_t s = g * k + j;
            size_t at = 0;
            if (key) line[at++] = group_keys[g];
            line[at++] = static_cast<double>(columns[j] + 1);
            size_t next_quantile = 0;
            const slot_ranks* r = held && s < ranks.size() ? &ranks[s] : nullptr;
            for (const stat_item& i : items) line[at++] = statistic_of(i, slots[s], r, next_quantile);
            if (f.pair().out) f.write(line.data(), line.size());
        }
    f.finish(vars, rows, count);
}

// ---- Correlation and covariance --------------------------------------------------------------------

namespace {

// Ranks from 1, ties sharing the mean of their ranks.
void to_ranks(std::vector<double>& v)
{
    std::vector<size_t> order(v.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return v[a] < v[b]; });
    std::vector<double> rank(v.size());
    for (size_t i = 0; i < order.size();) {
        size_t j = i;
        while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]]) ++j;
        const double mean_rank = (static_cast<double>(i) + static_cast<double>(j)) / 2 + 1;
        for (size_t t = i; t <= j; ++t) rank[order[t]] = mean_rank;
        i = j + 1;
    }
    v = std::move(rank);
}

// Co-moments of k columns, updated row by row about the running means.
struct co_moments {
    size_t k;
    double n = 0;
    std::vector<double> mean, c, delta;
    explicit co_moments(size_t columns) : k(columns), mean(columns, 0), c(columns * columns, 0), delta(columns, 0) {}
    void add(const double* x)
    {
        n += 1;
        for (size_t i = 0; i < k; ++i) {
            delta[i] = x[i] - mean[i];
            mean[i] += delta[i] / n;
        }
        for (size_t i = 0; i < k; ++i)
            for (size_t j = 0; j < k; ++j) c[i * k + j] += delta[i] * (x[j] - mean[j]);
    }
};

}  // namespace

void pairwise(const char* namein, const char* nameout, const char* flagfile, pairwise_kind kind, size_t* vars,
              size_t* rows)
{
    announce("Vorn: Correlate ", "Correlation or covariance of the selected columns\n");
    frame f(namein, nullptr, {.flagfile = flagfile});
    const size_t antal = f.columns();
    const std::vector<size_t> columns = antal ? chosen_columns(f, flagfile, 0, namein) : std::vector<size_t>{};
    const size_t k = columns.size();
    co_moments m(k);
    std::vector<std::vector<double>> kept(kind == pairwise_kind::spearman ? k : 0);
    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        std::vector<double> x(k);
        while (f.read(row.get(), comments_at::queued)) {
            ++count;
            bool numbers = true;
            for (size_t j = 0; j < k; ++j) {
                x[j] = row[columns[j]];
                numbers &= x[j] == x[j];
            }
            if (!numbers) continue;  // a row with a value that is not a number takes no part
            if (kind == pairwise_kind::spearman)
                for (size_t j = 0; j < k; ++j) kept[j].push_back(x[j]);
            else
                m.add(x.data());
        }
    }
    if (kind == pairwise_kind::spearman) {
        for (auto& v : kept) to_ranks(v);
        const size_t n = k ? kept[0].size() : 0;
        std::vector<double> x(k);
        for (size_t r = 0; r < n; ++r) {
            for (size_t j = 0; j < k; ++j) x[j] = kept[j][r];
            m.add(x.data());
        }
    }
    open_output(f, nameout, k + 1, k);
    std::vector<std::string> names{"column"};
    for (size_t c : columns) names.push_back(std::to_string(c + 1));
    write_names(f.pair().out, names);
    std::vector<double> line(k + 1);
    for (size_t i = 0; i < k; ++i) {
        line[0] = static_cast<double>(columns[i] + 1);
        for (size_t j = 0; j < k; ++j) {
            const double cij = m.c[i * k + j];
            if (kind == pairwise_kind::cov)
                line[j + 1] = m.n > 1 ? cij / (m.n - 1) : NaN;
            else
                line[j + 1] = cij / std::sqrt(m.c[i * k + i] * m.c[j * k + j]);
        }
        if (f.pair().out) f.write(line.data(), line.size());
    }
    f.finish(vars, rows, count);
}

// ---- Bins --------------------------------------------------------------------------------------------

void bins(const char* namein, const char* nameout, const char* flagfile, const bins_request& request, size_t* vars,
          size_t* rows)
{
    announce("Vorn: Histogram ", "Histogram: counts in bins of the selected columns\n");
    frame f(namein, nullptr, {.flagfile = flagfile});
    const size_t antal = f.columns();
    const std::vector<size_t> columns = antal ? chosen_columns(f, flagfile, 0, namein) : std::vector<size_t>{};
    const size_t k = columns.size();
    const auto nb = static_cast<size_t>(request.bins);
    std::vector<double> lo(k, request.lo), hi(k, request.hi);
    auto row = my_malloc(double, antal ? antal : 1);
    const int countdown = settings.skip_rows;
    size_t count = 0;
    if (!request.range_given && antal > 0) {
        // A first pass finds each column's extremes among its finite values.
        std::vector<double> least(k, INF), most(k, -INF);
        while (f.read(row.get(), comments_at::queued)) {
            ++count;
            for (size_t j = 0; j < k; ++j) {
                const double v = row[columns[j]];
                if (std::isfinite(v)) {
                    least[j] = std::min(least[j], v);
                    most[j] = std::max(most[j], v);
                }
            }
        }
        for (size_t j = 0; j < k; ++j) {
            lo[j] = least[j] <= most[j] ? least[j] : 0;
            hi[j] = least[j] <= most[j] ? most[j] : 1;
            if (lo[j] == hi[j]) {
                lo[j] -= 0.5;
                hi[j] += 0.5;
            }
        }
        std::rewind(f.pair().in);
    }
    // The edges, and the counts of each column's bins with those below, above and not numbers.
    std::vector<double> edges(k * (nb + 1));
    for (size_t j = 0; j < k; ++j)
        for (size_t b = 0; b <= nb; ++b)
            edges[j * (nb + 1) + b] =
                b == nb ? hi[j] : lo[j] + (hi[j] - lo[j]) * static_cast<double>(b) / static_cast<double>(nb);
    std::vector<uint64_t> counts(k * nb, 0), below(k, 0), above(k, 0), nans(k, 0);
    if (antal > 0) {
        int skip = countdown;
        const reader_rules rules{request.range_given && settings.keep_comments, &skip};
        count = 0;
        while (f.read(row.get(), rules)) {
            ++count;
            for (size_t j = 0; j < k; ++j) {
                const double v = row[columns[j]];
                const double* e = &edges[j * (nb + 1)];
                if (v != v) {
                    ++nans[j];
                } else if (v < e[0]) {
                    ++below[j];
                } else if (v > e[nb]) {
                    ++above[j];
                } else {
                    // The last bin holds its upper edge; the others hold their lower one.
                    double at = (v - e[0]) / (e[nb] - e[0]) * static_cast<double>(nb);
                    size_t b = at >= static_cast<double>(nb) ? nb - 1 : static_cast<size_t>(at);
                    while (b > 0 && v < e[b]) --b;
                    while (b + 1 < nb && v >= e[b + 1]) ++b;
                    ++counts[j * nb + b];
                }
            }
        }
    }
    open_output(f, nameout, 4, k * nb);
    FILE* const out = f.pair().out;
    write_names(out, {"column", "lower", "upper", "count"});
    double line[4];
    for (size_t j = 0; j < k && out; ++j)
        for (size_t b = 0; b < nb; ++b) {
            line[0] = static_cast<double>(columns[j] + 1);
            line[1] = edges[j * (nb + 1) + b];
            line[2] = edges[j * (nb + 1) + b + 1];
            line[3] = static_cast<double>(counts[j * nb + b]);
            f.write(line, 4);
        }
    for (size_t j = 0; j < k; ++j) {
        if (!below[j] && !above[j] && !nans[j]) continue;
        char note[200];
        std::snprintf(note, sizeof note, "# column %lu: %lu below, %lu above, %lu not a number",
                      static_cast<unsigned long>(columns[j] + 1), static_cast<unsigned long>(below[j]),
                      static_cast<unsigned long>(above[j]), static_cast<unsigned long>(nans[j]));
        if (out) output.output_comment(out, note);
        if (!settings.quiet) std::fprintf(stderr, "%s\n", note + 2);
    }
    f.finish(vars, rows, count);
}
