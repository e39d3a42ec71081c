// Summaries of columns: what --stats, --group-by, --correlate and --histogram ask for.
#pragma once
#include <string>
#include <vector>

enum class statistic {
    count,
    nan,
    sum,
    min,
    max,
    range,
    absmin,
    absmax,
    mean,
    geomean,
    harmmean,
    quantile,  // median, q1, q3 and pN
    iqr,
    mode,
    antimode,
    pvar,
    svar,
    pstdev,
    sstdev,
    mad,
    sskew,
    pskew,
    skurt,
    pkurt,
    sem
};

struct stat_item {
    statistic what = statistic::count;
    double p = 0;      // the quantile's share, 0 to 1
    std::string name;  // as written in the list
};

// The statistics without a list.
constexpr const char* DEFAULT_STATS = "count,mean,sstdev,min,q1,median,q3,max";

// The statistics named by a comma-separated list. A name that is not a statistic, or a
// percentile outside 0 to 100, is fatal.
std::vector<stat_item> parse_stat_list(const char* list);

struct summary_request {
    std::vector<stat_item> items;
    long group_by = 0;  // the key column, from 1; 0 for no groups
};

enum class pairwise_kind { pearson, spearman, cov };
// pearson (also without an argument), spearman or cov; anything else is fatal.
pairwise_kind parse_pairwise(const char* arg);

struct bins_request {
    long bins = 10;
    bool range_given = false;
    double lo = 0, hi = 0;
};
// BINS[,LO,HI]: BINS at least 1 and LO below HI, else fatal.
bins_request parse_bins(const char* arg);
