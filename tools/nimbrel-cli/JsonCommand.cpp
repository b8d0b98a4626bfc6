// nimbrel-cli json FILE: the loaded set, every input and result, as one JSON object.
#include "CliSupport.h"
#include "model/CloudWeights.h"
#include "model/DoseResponse.h"
#include "model/SprayQuality.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

// Writes JSON text directly as UTF-8 bytes, so that floats keep their shortest
// exact form and a set of thousands of slides is written in one pass. The text
// goes out in chunks as it grows, so a large set never sits in memory whole.
class JsonText
{
public:
    explicit JsonText(std::function<void(const std::string &)> sink)
        : m_sink(std::move(sink))
    {
        m_text.reserve(kChunk + kChunk / 4);
    }

    // Hands the text so far on once it fills a chunk. Called between values,
    // so a chunk never ends inside a character.
    void Drain()
    {
        if (m_text.size() < kChunk)
            return;
        m_sink(m_text);
        m_text.clear();
    }
    // The rest of the text, ended by a line break.
    void Finish()
    {
        m_text += '\n';
        m_sink(m_text);
        m_text.clear();
    }

    void BeginObject() { open('{'); }
    void EndObject() { close('}'); }
    void BeginArray(const char *key) { name(key); open('['); }
    void EndArray() { close(']'); }
    void Key(const char *key) { name(key); }
    void Key(const QString &key) { name(key); }

    void Value(float v) { item(); number(v); }
    void Value(int v) { item(); integer(v); }
    void Value(bool v) { item(); m_text += v ? "true" : "false"; }
    void Value(const std::optional<float> &v)
    {
        if (v)
            Value(*v);
        else
            Null();
    }
    void Value(const QString &v) { item(); quote(v); }
    void Null() { item(); m_text += "null"; }
    // A fitted figure in double precision, the shortest text that reads back to it.
    void Value(double v)
    {
        item();
        exact(v);
    }
    // [low, high] of doubles, on one line.
    void Pair(double low, double high)
    {
        item();
        m_text += '[';
        exact(low);
        m_text += ", ";
        exact(high);
        m_text += ']';
    }
    void Value(const std::optional<Interval> &v)
    {
        if (!v) {
            Null();
            return;
        }
        item();
        m_text += '[';
        number(v->Low);
        m_text += ", ";
        number(v->High);
        m_text += ']';
    }

    template <typename T>
    void Field(const char *key, const T &v)
    {
        name(key);
        Value(v);
    }
    template <typename T>
    void Numbers(const char *key, const T &values)
    {
        // Arrays of numbers stay on one line.
        name(key);
        item();
        m_text += '[';
        bool first = true;
        for (const auto &v : values) {
            if (!first)
                m_text += ", ";
            if constexpr (std::is_floating_point_v<std::decay_t<decltype(v)>>)
                number(v);
            else
                integer(int(v));
            first = false;
        }
        m_text += ']';
    }

private:
    void exact(double v)
    {
        if (!std::isfinite(v)) {
            m_text += "null";
            return;
        }
        char text[32];
        m_text.append(text, std::to_chars(text, text + sizeof text, v).ptr - text);
    }
    void number(float v)
    {
        if (!std::isfinite(v)) {
            m_text += "null";
            return;
        }
        char text[NumberText::kCapacity];
        m_text.append(text, NumberText::Shortest(text, v) - text);
    }
    void integer(int v)
    {
        char text[16];
        m_text.append(text, std::to_chars(text, text + sizeof text, v).ptr - text);
    }
    void quote(const QString &text)
    {
        // QJsonDocument escapes the string; take it out of a one-element array.
        const QByteArray array = QJsonDocument(QJsonArray{QJsonValue(text)}).toJson(QJsonDocument::Compact);
        m_text.append(array.constData() + 1, array.size() - 2);
    }
    void name(const char *key)
    {
        separate();
        indent();
        // The program's own keys are plain words; anything else is escaped.
        const bool plain = std::all_of(key, key + std::strlen(key), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        });
        if (plain) {
            m_text += '"';
            m_text += key;
            m_text += '"';
        } else {
            quote(QString::fromLatin1(key));
        }
        m_text += ": ";
        m_pendingKey = true;
    }
    void name(const QString &key)
    {
        separate();
        indent();
        quote(key);
        m_text += ": ";
        m_pendingKey = true;
    }
    void separate()
    {
        if (!m_first.empty()) {
            if (!m_first.back())
                m_text += ',';
            m_text += '\n';
            m_first.back() = false;
        }
    }
    // Starts a value: after its key, or on a line of its own in an array.
    void item()
    {
        if (!m_pendingKey && !m_first.empty()) {
            separate();
            indent();
        }
        m_pendingKey = false;
    }
    void open(char bracket)
    {
        item();
        m_text += bracket;
        m_first.push_back(true);
    }
    void close(char bracket)
    {
        const bool empty = m_first.back();
        m_first.pop_back();
        if (!empty) {
            m_text += '\n';
            indent();
        }
        m_text += bracket;
    }
    void indent() { m_text.append(m_first.size() * 2, ' '); }

    static constexpr size_t kChunk = 256 * 1024;

    std::function<void(const std::string &)> m_sink;
    std::string m_text;
    std::vector<bool> m_first; // per open bracket: nothing written in it yet
    bool m_pendingKey = false;
};

void writeCounts(JsonText &json, const MortalityCounts &cage, bool withDown)
{
    json.BeginObject();
    json.Field("NumInCage", int(cage.NumInCage));
    if (withDown)
        json.Field("Down1h", int(cage.Down1h));
    json.Field("Dead12h", int(cage.Dead12h));
    json.Field("Dead24h", int(cage.Dead24h));
    json.EndObject();
}

// The spray quality figures of a slide or the composite, with their intervals
// as [low, high] (null where nothing was counted or no mortality is computed).
void writeQuality(JsonText &json, const SprayQualityRow &row)
{
    json.Field("Dv01", row.Sizes.Dv01);
    json.Field("Dv09", row.Sizes.Dv09);
    json.Field("RelativeSpan", row.Sizes.RelativeSpan);
    json.Field("VMDNMDRatio", row.Sizes.VmdNmdRatio);
    json.Field("VolumeBelow32um", row.Sizes.VolumeBelow32um);
    json.Field("NMDInterval", row.Intervals.NMD);
    json.Field("VMDInterval", row.Intervals.VMD);
    json.Field("Dv09Interval", row.Intervals.Dv09);
    if (row.IsComposite)
        return;
    json.Field("Mortality12hInterval", row.Mortality12hInterval);
    json.Field("Mortality24hInterval", row.Mortality24hInterval);
}

void writeSlide(JsonText &json, const SlideSet &set, int16_t index, const SprayQualityRow &quality)
{
    const Slide &s = set.Slides[index];
    json.BeginObject();
    json.Field("Position", s.Position);
    json.Field("Sweeps", s.Sweeps);
    json.Field("Area", s.Area);
    json.Numbers("Counts", s.Counts);
    json.Numbers("VF", s.VF);
    json.Numbers("CVF", s.CVF);
    json.Numbers("NF", s.NF);
    json.Numbers("CNF", s.CNF);
    json.Field("TotalDrops", int(s.TotalDrops));
    json.Field("NumberWeightSum", s.NumberWeightSum);
    if (set.Cloud.Method == CloudMethod::Diameter2)
        json.Field("VolumeWeightSum", int(s.VolumeWeightSum)); // a whole number
    else
        json.Field("VolumeWeightSum", float(s.VolumeWeightSum));
    json.Field("VMD", s.VMD);
    json.Field("NMD", s.NMD);
    json.Field("DropDensity", s.DropDensity);
    json.Field("MaxVF", s.MaxVF);
    json.Field("MaxNF", s.MaxNF);
    json.Field("MaxCount", int(s.MaxCount));
    json.Field("LargestClass", int(s.LargestClass));
    json.Key("Cage");
    writeCounts(json, s.Cage, true);
    json.Field("Knockdown1h", s.Knockdown1h);
    json.Field("Mortality12h", s.Mortality12h);
    json.Field("Mortality24h", s.Mortality24h);
    RangeStatistics ranges;
    ComputeRangeStats(ranges, set, index);
    json.Key("RangeStats");
    json.BeginObject();
    json.Numbers("Count", ranges.Count);
    json.Numbers("SizeOnSlide", ranges.SizeOnSlide);
    json.Numbers("MassInCloud", ranges.MassInCloud);
    json.Numbers("SizeInCloud", ranges.SizeInCloud);
    json.EndObject();
    writeQuality(json, quality);
    json.EndObject();
}

void writeComposite(JsonText &json, const SlideSet &set, const SprayQualityRow &quality)
{
    CompositeResults c;
    CalcComposite(set, c);
    json.BeginObject();
    json.Numbers("CompDensity", c.CompDensity);
    json.Numbers("CompVF", c.CompVF);
    json.Numbers("CompCVF", c.CompCVF);
    json.Numbers("CompNF", c.CompNF);
    json.Numbers("CompCNF", c.CompCNF);
    json.Field("CompVMD", c.CompVMD);
    json.Field("CompNMD", c.CompNMD);
    json.Field("AveDropDensity", c.AveDropDensity);
    json.Field("CompMaxVF", c.CompMaxVF);
    json.Field("CompMaxNF", c.CompMaxNF);
    json.Field("CompMaxDensity", c.CompMaxDensity);
    RangeStatistics ranges;
    ComputeCompositeRangeStats(ranges, set, c);
    json.Key("RangeStats");
    json.BeginObject();
    json.Numbers("SizeOnSlide", ranges.SizeOnSlide);
    json.Numbers("MassInCloud", ranges.MassInCloud);
    json.Numbers("SizeInCloud", ranges.SizeInCloud);
    json.EndObject();
    writeQuality(json, quality);
    json.EndObject();
}

// "Diameter2", or the impaction model with its parameters and each class's E.
void writeCloudMethod(JsonText &json, const SlideSet &set)
{
    json.Key("CloudMethod");
    if (set.Cloud.Method == CloudMethod::Diameter2) {
        json.Value(QStringLiteral("Diameter2"));
        return;
    }
    const CloudWeights weights(set);
    const CollectorSettings &c = set.Cloud.Collector;
    json.BeginObject();
    json.Field("Model", c.Shape == CollectorShape::Ribbon ? QStringLiteral("Ribbon") : QStringLiteral("Cylinder"));
    json.Field("WidthMM", float(c.WidthMM));
    json.Field("AirSpeedMS", float(weights.Air().SpeedMS));
    json.Field("DropDensity", float(c.DropDensity));
    json.Field("AirViscosity", float(weights.Air().Viscosity));
    json.Numbers("CollectionEfficiency", weights.Efficiency());
    json.Field("DropsBelowFloor", int(std::min<int64_t>(DropsBelowFloor(set, weights), INT32_MAX)));
    json.EndObject();
}

// The dose-response fit: the options it was made with, then its figures (null
// where no fit exists, Note then saying why).
void writeDoseResponse(JsonText &json, const DoseResponseFit &fit)
{
    auto number = [&json](const char *key, const std::optional<double> &v) {
        json.Key(key);
        if (v)
            json.Value(*v);
        else
            json.Null();
    };
    auto limits = [&json](const char *key, const std::optional<DoseLimits> &v) {
        json.Key(key);
        if (!v) {
            json.Null();
            return;
        }
        json.Pair(v->Low, v->High);
    };
    auto text = [&json](const char *key, const QString &v) {
        json.Key(key);
        if (v.isEmpty())
            json.Null();
        else
            json.Value(v);
    };
    json.BeginObject();
    json.Field("Hour", fit.Hour);
    json.Field("Link", DoseLinkName(fit.Link));
    json.Field("Deposit", DoseDepositName(fit.Deposit));
    json.Field("Cages", fit.Cages);
    number("Intercept", fit.Intercept);
    number("Slope", fit.Slope);
    number("SlopeSE", fit.SlopeSE);
    number("NaturalMortality", fit.NaturalMortality);
    json.Field("NaturalMortalityEstimated", fit.NaturalMortalityEstimated);
    number("LD50", fit.LD50);
    limits("LD50Interval", fit.LD50Interval);
    number("LD90", fit.LD90);
    limits("LD90Interval", fit.LD90Interval);
    number("ChiSquare", fit.ChiSquare);
    json.Key("DegreesOfFreedom");
    if (fit.DegreesOfFreedom)
        json.Value(*fit.DegreesOfFreedom);
    else
        json.Null();
    number("HeterogeneityFactor", fit.HeterogeneityFactor);
    number("g", fit.g);
    text("Note", fit.Note);
    text("LimitsNote", fit.LimitsNote);
    json.EndObject();
}

} // namespace

int RunJson(const QStringList &args, CliContext &context)
{
    LoadedSlideSet loaded;
    if (!LoadForCli(args.at(0), context, loaded))
        return ExitFileError;
    const SlideSet &set = loaded.Set;
    const AnalysisParameters &p = set.Params;

    // Once a write has failed (a pipe closed early) the rest is not offered.
    JsonText json([&context](const std::string &chunk) {
        if (context.Out.status() == QTextStream::Ok)
            WriteUtf8(context.Out, chunk);
    });
    json.BeginObject();
    json.Field("Metric", p.Metric);
    json.Field("ScanLength", p.ScanLength);
    json.Field("MaxSizeEPD", int(p.MaxSizeEPD));
    json.Field("MicronsPerEPD", p.MicronsPerEPD);
    json.Field("SpreadFactor", p.SpreadFactor);
    json.Key("Texts");
    json.BeginObject();
    const auto &fields = ParameterTextFields();
    for (int i = 0; i < kParameterTextCount; ++i)
        if (loaded.TextInFile[i])
            json.Field(fields[i].Label, set.Texts.*fields[i].Member);
    json.EndObject();
    json.Key("ControlData");
    writeCounts(json, set.ControlData, false);
    json.Field("LargestSizeFound", int(loaded.LargestSizeFound));
    writeCloudMethod(json, set);
    const SprayQualityTable quality = ComputeSprayQuality(set, context.Limits.value_or(LabelLimits()));
    json.BeginArray("Slides");
    for (int i = 1; i <= set.SlideCount(); ++i) {
        writeSlide(json, set, int16_t(i), quality.Slides[size_t(i - 1)]);
        json.Drain();
    }
    json.EndArray();
    json.Key("Composite");
    if (set.SlideCount() > 0)
        writeComposite(json, set, quality.Composite);
    else
        json.Null();
    json.Key("DoseResponse");
    writeDoseResponse(json, FitDoseResponse(set, context.DoseResponse));
    if (context.Limits) {
        json.Key("LabelVerdict");
        if (quality.Verdict)
            json.Value(LabelVerdictText(*quality.Verdict));
        else
            json.Null();
        json.Key("DropsToDecide");
        if (quality.ToDecide)
            json.Value(int(std::min<int64_t>(quality.ToDecide->MoreDrops, INT32_MAX)));
        else
            json.Null();
    }
    json.EndObject();
    json.Finish();
    return ExitOk;
}
