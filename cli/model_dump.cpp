#include "cli/model_dump.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace vonnik {

std::string FormatDouble(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

namespace {

class JsonObject {
  public:
    void Key(const char* name) {
        out_ += first_ ? "{\"" : ",\"";
        out_ += name;
        out_ += "\":";
        first_ = false;
    }
    void Int(const char* name, long long v) {
        Key(name);
        out_ += std::to_string(v);
    }
    void Double(const char* name, double v) {
        Key(name);
        out_ += FormatDouble(v);
    }
    void Bool(const char* name, bool v) {
        Key(name);
        out_ += v ? "true" : "false";
    }
    template <typename T, typename A>
    void Array(const char* name, const std::vector<T, A>& values, std::size_t count) {
        Key(name);
        out_ += '[';
        for (std::size_t n = 0; n < count && n < values.size(); ++n) {
            if (n) out_ += ',';
            if constexpr (std::is_floating_point_v<T>)
                out_ += FormatDouble(values[n]);
            else if constexpr (std::is_enum_v<T>)
                out_ += std::to_string(static_cast<std::underlying_type_t<T>>(values[n]));
            else
                out_ += std::to_string(values[n]);
        }
        out_ += ']';
    }
    void Vector(const char* name, const Vec3& v) {
        Array(name, std::vector<double>{v.x, v.y, v.z}, 3);
    }
    std::string Finish() { return (first_ ? "{" : out_) + "}\n"; }

  private:
    std::string out_;
    bool first_ = true;
};

}  // namespace

std::string ModelDumpJson(const SharedState& st) {
    const ModelGrid& g = st.Grid;
    JsonObject j;
    j.Int("GridMaxX", g.GridMaxX);
    j.Int("GridMaxY", g.GridMaxY);
    j.Double("StepX", g.StepX);
    j.Double("StepY", g.StepY);
    j.Int("BackgroundColour", g.BackgroundColour);
    j.Int("OutlineCount", g.OutlineCount);
    const std::size_t outline = static_cast<std::size_t>(g.OutlineCount);
    j.Array("OutlineX", g.OutlineX, outline);
    j.Array("OutlineY", g.OutlineY, outline);
    j.Array("OutlineRadius", g.OutlineRadius, outline);
    const std::size_t all = g.VertexState.Values().size();
    j.Array("VertexState", g.VertexState.Values(), all);
    j.Array("FrontX", g.FrontX.Values(), all);
    j.Array("FrontY", g.FrontY.Values(), all);
    j.Array("FrontZ", g.FrontZ.Values(), all);
    j.Array("BackX", g.BackX.Values(), all);
    j.Array("BackY", g.BackY.Values(), all);
    j.Array("BackZ", g.BackZ.Values(), all);
    j.Array("TextureX", g.TextureX.Values(), all);
    j.Array("TextureY", g.TextureY.Values(), all);
    j.Double("LightX", st.LightX);
    j.Double("LightY", st.LightY);
    j.Double("LightZ", st.LightZ);
    j.Double("LightAmount", st.LightAmount);
    j.Int("ViewWidth", st.ViewWidth);
    j.Int("ViewHeight", st.ViewHeight);
    j.Int("DrawOrder", static_cast<std::int32_t>(st.View.DrawOrder));
    j.Vector("ViewAxisA", st.View.ViewAxisA);
    j.Vector("ViewAxisB", st.View.ViewAxisB);
    j.Bool("Wireframe", st.View.Wireframe);
    return j.Finish();
}

}  // namespace vonnik
