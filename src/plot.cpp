// The plot: the selected columns (every column when none is selected) against the row number, or
// against the first selected column (xy), drawn as an SVG picture when the output name ends in
// ".svg", else in braille characters. Long series are reduced while they are read, to the first,
// last, smallest and largest value of each pixel column, so memory does not grow with the file.
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "frame.h"
#include "plot.h"

namespace {

using point = std::pair<double, double>;

// The SVG picture: its size and the plot box inside it.
constexpr double SVG_W = 800, SVG_H = 500;
constexpr double BOX_L = 72, BOX_R = 776, BOX_T = 44, BOX_B = 444;
constexpr size_t SVG_COLUMNS = 704;  // pixel columns of the box

const char* const svg_colours[] = {"#0072b2", "#d55e00", "#009e73", "#cc79a7",
                                   "#e69f00", "#56b4e9", "#7a5c00", "#000000"};
const char* const ansi_colours[] = {"\x1b[34m", "\x1b[31m", "\x1b[32m", "\x1b[35m",
                                    "\x1b[33m", "\x1b[36m", "\x1b[91m", "\x1b[94m"};
constexpr size_t PALETTE = 8;

// What was read: one reduced series per plotted column, all sharing the same columns and x.
struct plot_data {
    std::vector<size_t> columns;  // the input column (from 0) of each series
    size_t x_column = 0;          // xy: the input column of x
    std::vector<std::vector<column_summary>> reduced;
    std::vector<double> xs;  // x of each reduced column
    plot_axis x_axis, y_axis;
};

// The drawing's size in characters: the window of a terminal being drawn on, else COLUMNS and
// LINES, else 80 x 24.
std::pair<size_t, size_t> text_size(bool on_terminal)
{
    size_t cols = 80, lines = 24;
    winsize ws{};
    if (on_terminal && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        cols = ws.ws_col;
        lines = ws.ws_row;
    } else {
        if (const char* c = std::getenv("COLUMNS"); c && std::atol(c) > 0) cols = static_cast<size_t>(std::atol(c));
        if (const char* l = std::getenv("LINES"); l && std::atol(l) > 0) lines = static_cast<size_t>(std::atol(l));
    }
    return {std::clamp<size_t>(cols, 24, 1000), std::clamp<size_t>(lines, 8, 500)};
}

bool ends_in_svg(const char* name)
{
    const size_t n = std::strlen(name);
    return n >= 4 && strcasecmp(name + n - 4, ".svg") == 0;
}

// The lines of a series: runs of points joined by lines, broken where values were not numbers or
// infinite. A pixel column adds its first, smallest, largest and last value at its x.
std::vector<std::vector<point>> runs_of(const std::vector<column_summary>& cols, const std::vector<double>& xs)
{
    std::vector<std::vector<point>> runs;
    bool broken = true;
    for (size_t i = 0; i < cols.size(); ++i) {
        const column_summary& c = cols[i];
        if (c.finite == 0) {
            broken = broken || c.gap_before || c.gap_after;
            continue;
        }
        if (broken || c.gap_before) runs.emplace_back();
        std::vector<point>& run = runs.back();
        for (const double y : {c.first, c.min, c.max, c.last})
            if (run.empty() || run.back() != point{xs[i], y}) run.push_back({xs[i], y});
        broken = c.gap_after;
    }
    return runs;
}

// The dots of a series: the distinct values each pixel column keeps.
std::vector<point> dots_of(const std::vector<column_summary>& cols, const std::vector<double>& xs)
{
    std::vector<point> dots;
    for (size_t i = 0; i < cols.size(); ++i) {
        const column_summary& c = cols[i];
        if (c.finite == 0) continue;
        const double ys[] = {c.first, c.min, c.max, c.last};
        for (size_t k = 0; k < 4; ++k)
            if (std::find(ys, ys + k, ys[k]) == ys + k) dots.push_back({xs[i], ys[k]});
    }
    return dots;
}

std::string series_name(size_t column) { return "column " + std::to_string(column + 1); }

// Text for an SVG document: markup characters escaped, control characters and bytes that are
// not UTF-8 replaced by '?'.
std::string xml_text(const char* s)
{
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        const unsigned char c = *p;
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        for (size_t k = 1; k < len; ++k)
            if ((p[k] & 0xC0) != 0x80) len = 0;
        if (len == 0 || (c < 0x20 && c != '\t')) {
            out += '?';
            ++p;
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.append(reinterpret_cast<const char*>(p), len);
        }
        p += len;
    }
    return out;
}

void appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n > 0) out.append(buf, std::min(static_cast<size_t>(n), sizeof buf - 1));
}

std::string draw_svg(const plot_data& d, const char* title, const plot_style& style)
{
    const auto px = [&](double x) { return BOX_L + axis_fraction(d.x_axis, x) * (BOX_R - BOX_L); };
    const auto py = [&](double y) { return BOX_B - axis_fraction(d.y_axis, y) * (BOX_B - BOX_T); };
    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    appendf(s,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\" "
            "font-family=\"sans-serif\" font-size=\"12\">\n",
            SVG_W, SVG_H, SVG_W, SVG_H);
    const std::string name = xml_text(title);
    s += "<title>" + name + "</title>\n";
    appendf(s, "<rect width=\"%g\" height=\"%g\" fill=\"white\"/>\n", SVG_W, SVG_H);
    appendf(s, "<text x=\"%g\" y=\"26\" text-anchor=\"middle\" font-size=\"16\">", SVG_W / 2);
    s += name + "</text>\n";
    appendf(s, "<clipPath id=\"box\"><rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\"/></clipPath>\n", BOX_L, BOX_T,
            BOX_R - BOX_L, BOX_B - BOX_T);
    // Grid, ticks and their labels.
    s += "<g stroke=\"#e0e0e0\">\n";
    for (const double v : d.x_axis.ticks)
        appendf(s, "<line x1=\"%.1f\" y1=\"%g\" x2=\"%.1f\" y2=\"%g\"/>\n", px(v), BOX_T, px(v), BOX_B);
    for (const double v : d.y_axis.ticks)
        appendf(s, "<line x1=\"%g\" y1=\"%.1f\" x2=\"%g\" y2=\"%.1f\"/>\n", BOX_L, py(v), BOX_R, py(v));
    s += "</g>\n<g text-anchor=\"middle\">\n";
    for (const double v : d.x_axis.ticks) {
        appendf(s, "<line x1=\"%.1f\" y1=\"%g\" x2=\"%.1f\" y2=\"%g\" stroke=\"black\"/>", px(v), BOX_B, px(v),
                BOX_B + 5);
        appendf(s, "<text class=\"xtick\" x=\"%.1f\" y=\"%g\">%s</text>\n", px(v), BOX_B + 19,
                tick_label(d.x_axis, v).c_str());
    }
    s += "</g>\n<g text-anchor=\"end\">\n";
    for (const double v : d.y_axis.ticks) {
        appendf(s, "<line x1=\"%g\" y1=\"%.1f\" x2=\"%g\" y2=\"%.1f\" stroke=\"black\"/>", BOX_L - 5, py(v), BOX_L,
                py(v));
        appendf(s, "<text class=\"ytick\" x=\"%g\" y=\"%.1f\">%s</text>\n", BOX_L - 8, py(v) + 4,
                tick_label(d.y_axis, v).c_str());
    }
    s += "</g>\n";
    const std::string x_label = style.xy ? series_name(d.x_column) : "row";
    appendf(s, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">%s</text>\n", (BOX_L + BOX_R) / 2, SVG_H - 16,
            x_label.c_str());
    appendf(s, "<rect class=\"box\" x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n",
            BOX_L, BOX_T, BOX_R - BOX_L, BOX_B - BOX_T);
    // The series, clipped to the box.
    s += "<g clip-path=\"url(#box)\" fill=\"none\" stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
    for (size_t k = 0; k < d.reduced.size(); ++k) {
        const char* colour = svg_colours[k % PALETTE];
        std::string lone;  // points standing alone: drawn as dots
        if (!style.points) {
            for (const auto& run : runs_of(d.reduced[k], d.xs)) {
                if (run.size() == 1) {
                    appendf(lone, "M%.1f %.1fh0", px(run[0].first), py(run[0].second));
                    continue;
                }
                appendf(s, "<polyline class=\"series\" stroke=\"%s\" stroke-width=\"1.2\" points=\"", colour);
                for (size_t i = 0; i < run.size(); ++i)
                    appendf(s, "%s%.1f,%.1f", i ? " " : "", px(run[i].first), py(run[i].second));
                s += "\"/>\n";
            }
        } else {
            for (const point& p : dots_of(d.reduced[k], d.xs)) appendf(lone, "M%.1f %.1fh0", px(p.first), py(p.second));
        }
        if (!lone.empty())
            appendf(s, "<path class=\"dots\" stroke=\"%s\" stroke-width=\"3\" d=\"%s\"/>\n", colour, lone.c_str());
    }
    s += "</g>\n";
    // The legend, top right inside the box.
    const double legend_h = 8 + 16 * static_cast<double>(d.reduced.size());
    appendf(s,
            "<g class=\"legend\"><rect x=\"%g\" y=\"%g\" width=\"110\" height=\"%g\" fill=\"white\" "
            "fill-opacity=\"0.85\" stroke=\"#999\"/>\n",
            BOX_R - 118, BOX_T + 8, legend_h);
    for (size_t k = 0; k < d.reduced.size(); ++k) {
        const double y = BOX_T + 22 + 16 * static_cast<double>(k);
        appendf(s, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" stroke-width=\"2\"/>", BOX_R - 110,
                y - 4, BOX_R - 90, y - 4, svg_colours[k % PALETTE]);
        appendf(s, "<text x=\"%g\" y=\"%g\">%s</text>\n", BOX_R - 84, y, series_name(d.columns[k]).c_str());
    }
    s += "</g>\n</svg>\n";
    return s;
}

// Clips the segment to [lo, hi] on both axes (Liang-Barsky); false when nothing is left.
bool clip(point& a, point& b, double lo_x, double hi_x, double lo_y, double hi_y)
{
    double t0 = 0, t1 = 1;
    const double dx = b.first - a.first, dy = b.second - a.second;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.first - lo_x, hi_x - a.first, a.second - lo_y, hi_y - a.second};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    const point start{a.first + t0 * dx, a.second + t0 * dy};
    b = {a.first + t1 * dx, a.second + t1 * dy};
    a = start;
    return true;
}

std::string draw_text(const plot_data& d, const char* title, const plot_style& style, size_t width, size_t height,
                      bool colour)
{
    // One line is left for the prompt: title, plot, axis, tick labels and legend fill the rest.
    const size_t plot_lines = height - 5;
    plot_axis y_axis = d.y_axis;
    std::vector<std::string> y_labels;
    size_t label_w = 1;
    for (const double v : y_axis.ticks) {
        y_labels.push_back(tick_label(y_axis, v));
        label_w = std::max(label_w, y_labels.back().size());
    }
    const size_t plot_cols = width - label_w - 2;
    braille_canvas canvas(plot_cols, plot_lines);
    const double xmax = static_cast<double>(canvas.dots_wide() - 1);
    const double ymax = static_cast<double>(canvas.dots_high() - 1);
    const auto dx = [&](double x) { return axis_fraction(d.x_axis, x) * xmax; };
    const auto dy = [&](double y) { return (1 - axis_fraction(d.y_axis, y)) * ymax; };
    for (size_t k = 0; k < d.reduced.size(); ++k) {
        const auto series = static_cast<unsigned>(k + 1);
        const auto put = [&](point p) {
            if (p.first >= -0.5 && p.first < xmax + 0.5 && p.second >= -0.5 && p.second < ymax + 0.5)
                canvas.dot(std::lround(p.first), std::lround(p.second), series);
        };
        if (style.points) {
            for (const point& p : dots_of(d.reduced[k], d.xs)) put({dx(p.first), dy(p.second)});
            continue;
        }
        for (const auto& run : runs_of(d.reduced[k], d.xs)) {
            if (run.size() == 1) put({dx(run[0].first), dy(run[0].second)});
            for (size_t i = 1; i < run.size(); ++i) {
                point a{dx(run[i - 1].first), dy(run[i - 1].second)}, b{dx(run[i].first), dy(run[i].second)};
                if (clip(a, b, -0.49, xmax + 0.49, -0.49, ymax + 0.49))
                    canvas.line(std::lround(a.first), std::lround(a.second), std::lround(b.first),
                                std::lround(b.second), series);
            }
        }
    }

    std::string s;
    // Title, centred.
    std::string name(title);
    if (name.size() > width) name.resize(width);
    s.append((width - name.size()) / 2, ' ');
    s += name + "\n";
    // Rows of the plot with the y ticks where they fall.
    std::vector<std::string> row_label(plot_lines);
    for (size_t i = 0; i < y_axis.ticks.size(); ++i) {
        const long r = std::lround(dy(y_axis.ticks[i])) / 4;
        if (r >= 0 && static_cast<size_t>(r) < plot_lines) row_label[static_cast<size_t>(r)] = y_labels[i];
    }
    for (size_t r = 0; r < plot_lines; ++r) {
        s.append(label_w - row_label[r].size(), ' ');
        s += row_label[r];
        s += row_label[r].empty() ? " │" : " ┤";
        unsigned current = 0;
        for (size_t c = 0; c < plot_cols; ++c) {
            const uint8_t bits = canvas.bits(c, r);
            if (bits == 0) {
                s += ' ';
                continue;
            }
            if (colour && canvas.owner(c, r) != current) {
                current = canvas.owner(c, r);
                s += ansi_colours[(current - 1) % PALETTE];
            }
            s += braille_char(bits);
        }
        // No blanks at the end of a line.
        while (!s.empty() && s.back() == ' ') s.pop_back();
        if (colour && current) s += "\x1b[0m";
        s += '\n';
    }
    // The x axis with its ticks, and their labels below them where they fit.
    std::string axis(plot_cols, '-');
    std::string labels(label_w + 2 + plot_cols, ' ');
    std::vector<bool> tick_at(plot_cols, false);
    size_t free_from = 0;
    for (const double v : d.x_axis.ticks) {
        const long c = std::lround(dx(v)) / 2;
        if (c < 0 || static_cast<size_t>(c) >= plot_cols) continue;
        tick_at[static_cast<size_t>(c)] = true;
        const std::string label = tick_label(d.x_axis, v);
        const size_t centre = label_w + 2 + static_cast<size_t>(c);
        const size_t start = centre >= label.size() / 2 ? centre - label.size() / 2 : 0;
        if (start < free_from || start + label.size() > labels.size()) continue;
        labels.replace(start, label.size(), label);
        free_from = start + label.size() + 1;
    }
    s.append(label_w + 1, ' ');
    s += "└";
    for (size_t c = 0; c < plot_cols; ++c) s += tick_at[c] ? "┬" : "─";
    s += '\n';
    while (!labels.empty() && labels.back() == ' ') labels.pop_back();
    s += labels + "\n";
    // The legend: each series' colour and name, and what x is.
    std::string legend(label_w + 2, ' ');
    for (size_t k = 0; k < d.reduced.size(); ++k) {
        if (k) legend += "  ";
        if (colour) legend += ansi_colours[k % PALETTE];
        legend += "⣿";
        if (colour) legend += "\x1b[0m";
        legend += ' ';
        legend += series_name(d.columns[k]);
    }
    legend += "  (x: " + (style.xy ? series_name(d.x_column) : std::string("row")) + ")";
    s += legend + "\n";
    return s;
}

// The columns to plot: the selected ones, or every column when none is selected.
std::vector<size_t> plotted_columns(const flag_array& marks, size_t antal)
{
    std::vector<size_t> cols;
    for (size_t c = 0; c < antal; ++c)
        if (marks[c]) cols.push_back(c);
    if (cols.empty())
        for (size_t c = 0; c < antal; ++c) cols.push_back(c);
    return cols;
}

}  // namespace

void plot(const char* namein, const char* nameout, const char* flagfile, const plot_style& style, size_t* vars,
          size_t* rows)
{
    announce("Vorn: plot ", "Plot selected columns\n");
    // The output is opened once the data is read: a drawing is not rows of numbers, so it gets
    // neither comment lines nor the output style's head and tail.
    frame f(namein, nullptr, {.flagfile = flagfile});
    f.pair().nameout = nameout;
    const size_t antal = f.columns();
    const bool svg = nameout && ends_in_svg(nameout);
    const bool to_terminal = nameout && output_is_stdout(f.pair()) && ::isatty(STDOUT_FILENO);
    const auto [width, height] = text_size(to_terminal);
    const size_t pixel_columns = svg ? SVG_COLUMNS : 2 * width;

    plot_data d;
    d.columns = plotted_columns(f.marks(), antal);
    if (style.xy) {
        if (d.columns.size() < 2) error("An xy plot needs two columns: x and at least one to plot\n");
        d.x_column = d.columns.front();
        d.columns.erase(d.columns.begin());
    }
    const size_t n = d.columns.size();
    auto row = my_malloc(double, antal > 0 ? antal : 1);
    size_t count = 0;
    if (!style.xy) {
        // Row numbers are known as the rows come: one pass.
        std::vector<row_reducer> reducers(n, row_reducer(2 * pixel_columns));
        double first_row = 0;
        size_t taken = 0;
        const reader_rules rules{false, &settings.skip_rows};
        while (antal > 0 && f.read(row.get(), rules)) {
            const double r = static_cast<double>(++count);
            if (style.x_range && (r < style.x_lo || r > style.x_hi)) continue;
            if (taken++ == 0) first_row = r;
            for (size_t k = 0; k < n; ++k) reducers[k].add(row[d.columns[k]]);
        }
        if (taken == 0) error("Nothing to plot in %s\n", namein);
        const size_t w = reducers[0].rows_per_column();
        const size_t ncols = reducers[0].columns().size();
        for (size_t i = 0; i < ncols; ++i) {
            const size_t in_column = std::min(w, taken - i * w);
            d.xs.push_back(first_row + static_cast<double>(i * w) + static_cast<double>(in_column - 1) / 2);
        }
        for (auto& r : reducers) d.reduced.push_back(r.columns());
        d.x_axis = style.x_range ? round_axis(style.x_lo, style.x_hi, svg ? 8 : static_cast<int>(width / 12), false)
                                 : round_axis(first_row, first_row + static_cast<double>(taken - 1),
                                              svg ? 8 : static_cast<int>(width / 12), true);
    } else {
        // x must be known before its pixel columns: without a range given, a first pass finds it.
        double lo = style.x_lo, hi = style.x_hi;
        if (!style.x_range) {
            int countdown = settings.skip_rows;
            const reader_rules first_pass{false, &countdown};
            bool any = false;
            while (antal > 0 && f.read(row.get(), first_pass)) {
                const double x = row[d.x_column];
                if (!std::isfinite(x)) continue;
                if (!any || x < lo) lo = x;
                if (!any || x > hi) hi = x;
                any = true;
            }
            if (!any) error("Nothing to plot in %s\n", namein);
            std::rewind(f.pair().in);
        }
        d.x_axis = round_axis(lo, hi, svg ? 8 : static_cast<int>(width / 12), !style.x_range);
        const size_t bins = pixel_columns;
        d.reduced.assign(n, std::vector<column_summary>(bins));
        for (size_t i = 0; i < bins; ++i)
            d.xs.push_back(d.x_axis.lo +
                           (static_cast<double>(i) + 0.5) * (d.x_axis.hi - d.x_axis.lo) / static_cast<double>(bins));
        const double scale = static_cast<double>(bins) / (d.x_axis.hi - d.x_axis.lo);
        const reader_rules rules{false, &settings.skip_rows};
        size_t taken = 0;
        while (antal > 0 && f.read(row.get(), rules)) {
            ++count;
            const double x = row[d.x_column];
            if (!(x >= d.x_axis.lo && x <= d.x_axis.hi)) continue;
            const size_t b = std::min(bins - 1, static_cast<size_t>((x - d.x_axis.lo) * scale));
            for (size_t k = 0; k < n; ++k) d.reduced[k][b].add(row[d.columns[k]]);
            ++taken;
        }
        if (taken == 0) error("Nothing to plot in %s\n", namein);
    }

    // The y axis: the range given, else the finite values' extent.
    bool any = false;
    double lo = 0, hi = 0;
    for (const auto& series : d.reduced)
        for (const column_summary& c : series) {
            if (c.finite == 0) continue;
            if (!any || c.min < lo) lo = c.min;
            if (!any || c.max > hi) hi = c.max;
            any = true;
        }
    if (!any && !style.y_range) error("Nothing to plot in %s: no value is a finite number\n", namein);
    const int y_ticks = svg ? 6 : std::max(2, static_cast<int>((height - 5) / 3));
    d.y_axis = style.y_range ? round_axis(style.y_lo, style.y_hi, y_ticks, false) : round_axis(lo, hi, y_ticks, true);

    const std::string drawing = svg ? draw_svg(d, namein, style)
                                    : draw_text(d, namein, style, width, height,
                                                to_terminal && !(std::getenv("NO_COLOR") && *std::getenv("NO_COLOR")));
    if (nameout) {
        // A picture that cannot be written in full leaves the file as it was.
        f.pair().take_back = true;
        open_output_stream(f.pair());
        std::fwrite(drawing.data(), 1, drawing.size(), f.pair().out);
        close_output_stream(f.pair());
    }
    f.finish(vars, rows, count);
}
