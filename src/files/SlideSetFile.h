#pragma once

#include "FileLiterals.h"
#include "model/NumberText.h"
#include "model/SlideSet.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The slide set file: the whole set in one list-separated text file that a
// spreadsheet also opens. Every result is written for the reader's eye; only the
// inputs are read back, and everything else is computed again.

// --- Writing ---------------------------------------------------------------------

// The complete file. Runs CalcComposite itself; when `composite` is given it
// receives those fresh composite results (saving refreshes the window's view).
QByteArray SlideSetFileBytes(const SlideSet &set, const QString &listSeparator, const NumberFormat &format,
                             CompositeResults *composite = nullptr);

// The complete file onto an open device, in whole chunks. The first write the
// device fails stops every later one; its reason is returned (empty when every
// byte was taken), even if the device would take later writes again.
QString WriteSlideSet(QIODevice &device, const SlideSet &set, const QString &listSeparator,
                      const NumberFormat &format, CompositeResults *composite = nullptr);

// Writes through a temporary file that replaces the target only once everything
// is on disk, so a failure halfway (disk full, no permission, folder gone) leaves
// an earlier file as it was. Returns an empty text on success, otherwise the
// platform's description of the failure.
QString WriteSlideSetFile(const QString &path, const SlideSet &set, const QString &listSeparator,
                          const NumberFormat &format, CompositeResults *composite = nullptr);

// --- Reading ---------------------------------------------------------------------

enum class LoadStatus {
    Ok,
    WrongBanner, // not a slide set file: the window says so in its own words
    Failed       // could not be opened, or broke off while reading
};

// A set read in full, every result recomputed, slides in position order and the
// last of them selected.
struct LoadedSlideSet
{
    SlideSet Set;
    int16_t LargestSizeFound = 0;
    // Per entry of ParameterTextFields(): whether the file gave the text (false
    // where it held "--------" or, in the earlier layout, had no Date and Time).
    std::array<bool, kParameterTextCount> TextInFile{};
    bool EarlierLayout = false;
    // What the operator should check in a set that did load: each names the line
    // and, where it concerns one slide, the slide (the file was cut inside its
    // last drop table; rows, lines or slide blocks were passed over; bytes that
    // are not UTF-8 in a file marked as UTF-8). Empty when all is well; the set
    // is loaded as far as the reading rules go either way.
    QStringList Warnings;
};

struct LoadResult
{
    LoadStatus Status = LoadStatus::Failed;
    // What went wrong, for a person: "line 57: expected a number in the third
    // field (the slide position), found "abc"". For WrongBanner the whole
    // message "'name.csv' does not appear to be a slide data set.".
    QString Error;
    QString FileName; // without its folder; empty for the byte-level readers
    std::optional<LoadedSlideSet> Loaded; // present exactly when Status is Ok

    bool Ok() const { return Status == LoadStatus::Ok; }
};

// `currentTexts` are the descriptive texts the window holds now: a text the file
// gives as "--------" keeps its current value, as the operator left it.
LoadResult ReadSlideSet(QIODevice &device, const QString &listSeparator, const NumberFormat &format,
                        const ParameterTexts &currentTexts = ParameterTexts());
LoadResult ReadSlideSetBytes(const QByteArray &bytes, const QString &listSeparator, const NumberFormat &format,
                             const ParameterTexts &currentTexts = ParameterTexts());
LoadResult ReadSlideSetFile(const QString &path, const QString &listSeparator, const NumberFormat &format,
                            const ParameterTexts &currentTexts = ParameterTexts());

// "'name' does not appear to be a slide data set."
QString WrongBannerMessage(const QString &fileName);

// The most size-class cells (slides × classes) a file may ask for: 16.7 million,
// about 300 MB of per-class arrays (every slide of a 16-bit slide count on a
// 511-division reticule). A real line of 255 slides on a 200-division reticule
// needs 51 000; the limit stops a damaged or hostile file from claiming
// gigabytes before a single count has been read.
inline constexpr qint64 kMaxClassCells = qint64(1) << 24;
