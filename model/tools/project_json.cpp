#include "project_json.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "vantis/archive.h"
#include "vantis/ipv4.h"

namespace vantis::model {

using nlohmann::json;

namespace {

json FloatValue(float v) {
    if (std::isfinite(v)) return v;
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", std::bit_cast<std::uint32_t>(v));
    return text;
}

json TableToJson(const FloatTable& table, int columns, int rows) {
    json out = json::array();
    for (int c = 0; c < columns; ++c) {
        json column = json::array();
        for (int r = 0; r < rows; ++r) column.push_back(FloatValue(table[c][r]));
        out.push_back(std::move(column));
    }
    return out;
}

// Reading fails by throwing this inside the module only; ProjectFromJson
// turns it into its result.
struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

float FloatFrom(const json& v, const std::string& where) {
    if (v.is_number()) return static_cast<float>(v.get<double>());
    if (v.is_string()) {
        const auto text = v.get<std::string>();
        unsigned bits = 0;
        char tail = 0;
        if (std::sscanf(text.c_str(), "0x%8X%c", &bits, &tail) == 1) return std::bit_cast<float>(bits);
    }
    throw JsonError(where + ": expected a number or \"0x\" and eight hex digits");
}

void TableFromJson(const json& v, FloatTable& table, int columns, int rows, const std::string& where) {
    if (!v.is_array() || static_cast<int>(v.size()) != columns)
        throw JsonError(where + ": expected " + std::to_string(columns) + " columns");
    for (int c = 0; c < columns; ++c) {
        const auto& column = v[c];
        if (!column.is_array() || static_cast<int>(column.size()) != rows)
            throw JsonError(where + "[" + std::to_string(c) + "]: expected " + std::to_string(rows) +
                            " values");
        for (int r = 0; r < rows; ++r) {
            table[c][r] =
                FloatFrom(column[r], where + "[" + std::to_string(c) + "][" + std::to_string(r) + "]");
        }
    }
}

template <typename T>
void Take(const json& obj, const char* key, T& value, const std::string& prefix = "") {
    const auto it = obj.find(key);
    if (it == obj.end()) return;
    try {
        if constexpr (std::is_same_v<T, bool>) {
            if (!it->is_boolean() && !it->is_number_integer()) throw JsonError("");
            value = it->is_boolean() ? it->template get<bool>() : it->template get<long long>() != 0;
        } else if constexpr (std::is_integral_v<T>) {
            if (!it->is_number_integer()) throw JsonError("");
            const long long v = it->template get<long long>();
            if (v < static_cast<long long>(std::numeric_limits<T>::min()) ||
                v > static_cast<long long>(std::numeric_limits<T>::max()))
                throw JsonError("");
            value = static_cast<T>(v);
        } else if constexpr (std::is_floating_point_v<T>) {
            if (!it->is_number()) throw JsonError("");
            value = it->template get<double>();
        } else {
            if (!it->is_string()) throw JsonError("");
            value = it->template get<std::string>();
        }
    } catch (const json::exception&) {
        throw JsonError(prefix + key + ": wrong type");
    } catch (const JsonError&) {
        throw JsonError(prefix + key + ": wrong type or out of range");
    }
}

template <typename T>
void TakeFlag(const json& obj, const char* key, SharedFlag<T>& flag) {
    T value = flag;
    Take(obj, key, value);
    flag = value;
}

void TakePair(const json& obj, const char* key, std::int32_t (&pair)[2]) {
    const auto it = obj.find(key);
    if (it == obj.end()) return;
    if (!it->is_array() || it->size() != 2 || !(*it)[0].is_number_integer() || !(*it)[1].is_number_integer())
        throw JsonError(std::string(key) + ": expected two integers");
    pair[0] = static_cast<std::int32_t>((*it)[0].get<long long>());
    pair[1] = static_cast<std::int32_t>((*it)[1].get<long long>());
}

const json& Object(const json& parent, const char* key) {
    static const json kEmpty = json::object();
    const auto it = parent.find(key);
    if (it == parent.end()) return kEmpty;
    if (!it->is_object()) throw JsonError(std::string(key) + ": expected an object");
    return *it;
}

}  // namespace

json ProjectToJson(const VantisAuto::CDoc& doc) {
    json j;
    j["autoExecution"] = doc.m_bAutoExecution.Get();
    j["connected"] = doc.m_bConnected.Get();
    j["cameraConfigured"] = doc.m_bCameraConfigured.Get();
    j["boundaryDone"] = doc.m_bBoundaryDone.Get();
    j["warped"] = doc.m_bWarped.Get();
    j["blended"] = doc.m_bBlended.Get();
    j["calibrated"] = doc.m_bCalibrated.Get();
    j["solution"] = doc.m_nSolution;
    j["timing"] = doc.m_nTiming;
    j["blendSolution"] = doc.m_bBlendSolution.Get();
    j["channelCount"] = doc.m_nChannelCount;
    j["layout"] = doc.m_nLayout;
    j["stackCount"] = doc.m_nStackCount;
    j["inputPort"] = doc.m_nInputPort;
    j["overlapPixels"] = {doc.m_overlapPixels[0], doc.m_overlapPixels[1]};
    j["overlapPercent"] = {doc.m_overlapPercent[0], doc.m_overlapPercent[1]};

    json camera;
    camera["name"] = Utf16ToUtf8(WideToUtf16(doc.m_camera.m_name));
    json values = json::object();
    for (CameraProperty p : kCameraPropertyFileOrder)
        values[CameraPropertyName(p)] = doc.m_camera.State(p).value;
    camera["values"] = values;
    j["camera"] = camera;

    const auto& b = doc.m_boundary;
    json boundary;
    boundary["valueA"] = b.m_nValueA;
    boundary["valueB"] = b.m_nValueB;
    const auto pair = [](const TablePairData& t) {
        return json{{"x", TableToJson(t.x, CBoundaryDoc::kPointColumns, CBoundaryDoc::kPointRows)},
                    {"y", TableToJson(t.y, CBoundaryDoc::kPointColumns, CBoundaryDoc::kPointRows)}};
    };
    boundary["tableA"] = pair(b.m_tableA);
    boundary["tableB"] = pair(b.m_tableB);
    boundary["tableC"] = pair(b.m_tableC);
    json rects = json::array();
    for (const auto& t : b.m_rects)
        rects.push_back(TableToJson(t, CBoundaryDoc::kRectSize, CBoundaryDoc::kRectSize));
    boundary["rects"] = rects;
    j["boundary"] = boundary;
    j["gamma"] = doc.m_gamma.m_gamma;

    json channels = json::array();
    for (const auto& c : doc.m_channels) {
        channels.push_back({{"threshold", c->m_threshold},
                            {"address", vantis::FormatIpv4(c->m_dwIp)},
                            {"slot", c->m_nSlot},
                            {"column", c->m_nColumn},
                            {"row", c->m_nRow},
                            {"blackPhoto", c->m_strBlackPhoto},
                            {"whitePhoto", c->m_strWhitePhoto},
                            {"centerPhoto", c->m_strCenterPhoto},
                            {"gridPhoto", c->m_strGridPhoto}});
    }
    j["channels"] = channels;
    return j;
}

bool ProjectFromJson(const json& j, VantisAuto::CDoc& doc, std::string* error) {
    try {
        if (!j.is_object()) throw JsonError("the project must be a JSON object");
        if (!doc.m_channels.empty()) throw JsonError("the document must have no channels");
        TakeFlag(j, "autoExecution", doc.m_bAutoExecution);
        TakeFlag(j, "connected", doc.m_bConnected);
        TakeFlag(j, "cameraConfigured", doc.m_bCameraConfigured);
        TakeFlag(j, "boundaryDone", doc.m_bBoundaryDone);
        TakeFlag(j, "warped", doc.m_bWarped);
        TakeFlag(j, "blended", doc.m_bBlended);
        TakeFlag(j, "calibrated", doc.m_bCalibrated);
        Take(j, "solution", doc.m_nSolution);
        Take(j, "timing", doc.m_nTiming);
        TakeFlag(j, "blendSolution", doc.m_bBlendSolution);
        Take(j, "layout", doc.m_nLayout);
        Take(j, "stackCount", doc.m_nStackCount);
        Take(j, "inputPort", doc.m_nInputPort);
        TakePair(j, "overlapPixels", doc.m_overlapPixels);
        TakePair(j, "overlapPercent", doc.m_overlapPercent);

        const json& camera = Object(j, "camera");
        std::string name = Utf16ToUtf8(WideToUtf16(doc.m_camera.m_name));
        Take(camera, "name", name, "camera.");
        doc.m_camera.m_name = Utf16ToWide(Utf8ToUtf16(name));
        const json& values = Object(camera, "values");
        for (CameraProperty p : kCameraPropertyFileOrder)
            Take(values, CameraPropertyName(p), doc.m_camera.State(p).value, "camera.values.");

        const json& boundary = Object(j, "boundary");
        auto& b = doc.m_boundary;
        Take(boundary, "valueA", b.m_nValueA, "boundary.");
        Take(boundary, "valueB", b.m_nValueB, "boundary.");
        const auto pair = [&](const char* key, TablePairData& t) {
            const json& table = Object(boundary, key);
            const std::string where = std::string("boundary.") + key;
            if (table.contains("x"))
                TableFromJson(table["x"], t.x, CBoundaryDoc::kPointColumns, CBoundaryDoc::kPointRows,
                              where + ".x");
            if (table.contains("y"))
                TableFromJson(table["y"], t.y, CBoundaryDoc::kPointColumns, CBoundaryDoc::kPointRows,
                              where + ".y");
        };
        pair("tableA", b.m_tableA);
        pair("tableB", b.m_tableB);
        pair("tableC", b.m_tableC);
        if (const auto it = boundary.find("rects"); it != boundary.end()) {
            if (!it->is_array() || it->size() != 4) throw JsonError("boundary.rects: expected four tables");
            for (int t = 0; t < 4; ++t) {
                TableFromJson((*it)[t], b.m_rects[t], CBoundaryDoc::kRectSize, CBoundaryDoc::kRectSize,
                              "boundary.rects[" + std::to_string(t) + "]");
            }
        }
        Take(j, "gamma", doc.m_gamma.m_gamma);

        if (const auto it = j.find("channels"); it != j.end()) {
            if (!it->is_array()) throw JsonError("channels: expected an array");
            for (std::size_t n = 0; n < it->size(); ++n) {
                const json& c = (*it)[n];
                const std::string prefix = "channels[" + std::to_string(n) + "].";
                if (!c.is_object()) throw JsonError(prefix + ": expected an object");
                auto channel = std::make_unique<VantisAuto::CChannel>();
                Take(c, "threshold", channel->m_threshold, prefix);
                if (const auto a = c.find("address"); a != c.end()) {
                    if (a->is_string()) {
                        if (const auto parsed = vantis::ParseIpv4(a->get<std::string>()))
                            channel->m_dwIp = *parsed;
                        else
                            throw JsonError(prefix + "address: expected a dotted IPv4 address");
                    } else {
                        Take(c, "address", channel->m_dwIp, prefix);
                    }
                }
                Take(c, "slot", channel->m_nSlot, prefix);
                Take(c, "column", channel->m_nColumn, prefix);
                Take(c, "row", channel->m_nRow, prefix);
                Take(c, "blackPhoto", channel->m_strBlackPhoto, prefix);
                Take(c, "whitePhoto", channel->m_strWhitePhoto, prefix);
                Take(c, "centerPhoto", channel->m_strCenterPhoto, prefix);
                Take(c, "gridPhoto", channel->m_strGridPhoto, prefix);
                doc.m_channels.push_back(std::move(channel));
            }
        }
        doc.m_nChannelCount = static_cast<std::int32_t>(doc.m_channels.size());
        return true;
    } catch (const JsonError& e) {
        if (error) *error = e.what();
        return false;
    } catch (const nlohmann::json::exception& e) {
        if (error) *error = e.what();
        return false;
    }
}

}  // namespace vantis::model
