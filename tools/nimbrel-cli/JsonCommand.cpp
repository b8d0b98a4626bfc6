// nimbrel-cli json FILE: the loaded set, every input and result, as one JSON object.
#include "CliSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <optional>
#include <vector>

namespace {

// Writes JSON text directly, so that floats keep their shortest exact form.
class JsonText
{
public:
    QString Text() const { return m_text + QLatin1Char('\n'); }

    void BeginObject() { open(QLatin1Char('{')); }
    void EndObject() { close(QLatin1Char('}')); }
    void BeginArray(const char *key) { name(key); open(QLatin1Char('[')); }
    void EndArray() { close(QLatin1Char(']')); }
    void Key(const char *key) { name(key); }
    void Key(const QString &key) { name(key); }

    void Value(float v) { item(JsonFloat(v)); }
    void Value(int v) { item(QString::number(v)); }
    void Value(bool v) { item(v ? QStringLiteral("true") : QStringLiteral("false")); }
    void Value(const std::optional<float> &v) { item(v ? JsonFloat(*v) : QStringLiteral("null")); }
    void Value(const QString &v) { item(quote(v)); }
    void Null() { item(QStringLiteral("null")); }

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
        QString line = QStringLiteral("[");
        bool first = true;
        for (const auto &v : values) {
            if (!first)
                line += QStringLiteral(", ");
            if constexpr (std::is_floating_point_v<std::decay_t<decltype(v)>>)
                line += JsonFloat(v);
            else
                line += QString::number(int(v));
            first = false;
        }
        item(line + QLatin1Char(']'));
    }

private:
    static QString quote(const QString &text)
    {
        // QJsonDocument escapes the string; take it out of a one-element array.
        const QByteArray array = QJsonDocument(QJsonArray{QJsonValue(text)}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(array.mid(1, array.size() - 2));
    }
    void name(const char *key) { name(QString::fromLatin1(key)); }
    void name(const QString &key)
    {
        separate();
        m_text += indent() + quote(key) + QStringLiteral(": ");
        m_pendingKey = true;
    }
    void separate()
    {
        if (!m_first.empty()) {
            if (!m_first.back())
                m_text += QLatin1Char(',');
            m_text += QLatin1Char('\n');
            m_first.back() = false;
        }
    }
    void item(const QString &text)
    {
        if (!m_pendingKey && !m_first.empty()) {
            separate();
            m_text += indent();
        }
        m_pendingKey = false;
        m_text += text;
    }
    void open(QChar bracket)
    {
        item(QString(bracket));
        m_first.push_back(true);
    }
    void close(QChar bracket)
    {
        const bool empty = m_first.back();
        m_first.pop_back();
        if (!empty)
            m_text += QLatin1Char('\n') + indent();
        m_text += bracket;
    }
    QString indent() const { return QString(int(m_first.size()) * 2, QLatin1Char(' ')); }

    QString m_text;
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

void writeSlide(JsonText &json, const SlideSet &set, int16_t index)
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
    json.Field("VolumeWeightSum", int(s.VolumeWeightSum));
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
    json.EndObject();
}

void writeComposite(JsonText &json, const SlideSet &set)
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

    JsonText json;
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
    json.BeginArray("Slides");
    for (int i = 1; i <= set.SlideCount(); ++i)
        writeSlide(json, set, int16_t(i));
    json.EndArray();
    json.Key("Composite");
    if (set.SlideCount() > 0)
        writeComposite(json, set);
    else
        json.Null();
    json.EndObject();
    context.Out << json.Text();
    return ExitOk;
}
