// Splitting a path into drive, directory, file name and extension, joining such parts again,
// and the output name of a wildcard pass.
//
// Separators are '/' and '\'; a ':' ends a drive. The results are errno values: 0 for success,
// ENOMEM (12) when working memory cannot be had, ENAMETOOLONG (36) when a part does not fit.
#pragma once
#include <cstddef>
#include <string>

// Splits real_path. Each output buffer may be null when that part is not wanted; each length is
// the size of its buffer in bytes, terminator included. Every non-null buffer is emptied first.
// The parts are stored in the order extension, file name, directory, drive; the first part that
// does not fit is stored cut (and terminated), the parts after it stay empty, and the result is
// ENAMETOOLONG. A null real_path gives four empty parts and 0.
//   C:\dir\sub\file.txt  -> "C:", "\dir\sub\", "file", ".txt"
//   dir/.profile         -> "",   "dir/",      "",     ".profile"
int explode_path_n(const char* real_path, char* drive, size_t drive_len, char* directory, size_t directory_len,
                   char* filename, size_t filename_len, char* extension, size_t extension_len);
// explode_path_n with buffers of 256 bytes each.
int explode_path(const char* path, char* drive, char* directory, char* filename, char* extension);

// Joins the parts into path (path_len bytes): a non-empty drive gets a ':' unless it ends with
// one, a non-empty directory a '/' unless it ends with '/' or '\', a non-empty extension a
// leading '.' unless it has one. Null and empty parts are skipped. When the whole does not fit,
// path holds what fits (terminated in its last byte) and the result is ENAMETOOLONG.
// A null path gives 0.
//   "C", "dir", "f", "txt" -> "C:dir/f.txt"
int combine_path_n(char* path, size_t path_len, const char* drive, const char* directory, const char* filename,
                   const char* extension);
// combine_path_n with a buffer of 260 bytes.
int combine_path(char* path, const char* drive, const char* directory, const char* filename, const char* extension);

// Output name of a wildcard pass: namein with everything from its last '.' (searched over the
// whole name, directories included) replaced by wildext, or with wildext appended when it has
// no '.'. data.txt -> data.out, a.b.c -> a.b.out, noext -> noext.out, dir.d/file -> dir.out;
// standard input, "-", -> stdin.out. The split names its two files by the same rule.
// Throws std::bad_alloc when memory is exhausted.
std::string wildcard_output_name(const char* namein, const std::string& wildext);
