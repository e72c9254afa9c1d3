#pragma once
// A small JSON reader and a checker for the part of JSON Schema the report's
// schema uses (type, const, required, properties, additionalProperties: false,
// items), so that the tests need nothing beyond the compiler.

#include <cctype>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace mrv::test
{

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    bool integral = false;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json* Field(const std::string& key) const
    {
        auto it = fields.find(key);
        return it == fields.end() ? nullptr : &it->second;
    }
};

class JsonReader
{
  public:
    explicit JsonReader(const std::string& text) : s_(text) {}
    Json Read()
    {
        Json value = Value();
        Space();
        if (i_ != s_.size()) throw std::runtime_error("text after the value at " + std::to_string(i_));
        return value;
    }

  private:
    void Space()
    {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_])))
            ++i_;
    }
    char Next()
    {
        if (i_ >= s_.size()) throw std::runtime_error("unexpected end");
        return s_[i_++];
    }
    void Expect(char c)
    {
        if (Next() != c)
            throw std::runtime_error(std::string("expected '") + c + "' at " + std::to_string(i_ - 1));
    }
    std::string String()
    {
        Expect('"');
        std::string out;
        for (char c = Next(); c != '"'; c = Next()) {
            if (static_cast<unsigned char>(c) < 0x20)
                throw std::runtime_error("raw control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            switch (char e = Next()) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                out += static_cast<char>(std::stoi(s_.substr(i_, 4), nullptr, 16)), i_ += 4;
                break;
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            default:
                throw std::runtime_error("bad escape");
            }
        }
        return out;
    }
    Json Value()
    {
        Space();
        Json v;
        const char c = i_ < s_.size() ? s_[i_] : '\0';
        if (c == '{') {
            v.kind = Json::Kind::Object;
            ++i_;
            Space();
            if (s_[i_] == '}') return ++i_, v;
            do {
                Space();
                std::string key = String();
                Space();
                Expect(':');
                v.fields[key] = Value();
                Space();
            } while (s_[i_] == ',' && ++i_);
            Expect('}');
        } else if (c == '[') {
            v.kind = Json::Kind::Array;
            ++i_;
            Space();
            if (s_[i_] == ']') return ++i_, v;
            do {
                v.items.push_back(Value());
                Space();
            } while (s_[i_] == ',' && ++i_);
            Expect(']');
        } else if (c == '"') {
            v.kind = Json::Kind::String;
            v.text = String();
        } else if (s_.compare(i_, 4, "null") == 0) {
            i_ += 4;
        } else if (s_.compare(i_, 4, "true") == 0 || s_.compare(i_, 5, "false") == 0) {
            v.kind = Json::Kind::Bool;
            v.boolean = s_[i_] == 't';
            i_ += v.boolean ? 4 : 5;
        } else {
            size_t used = 0;
            v.kind = Json::Kind::Number;
            v.number = std::stod(s_.substr(i_), &used);
            v.integral = s_.substr(i_, used).find_first_of(".eE") == std::string::npos;
            i_ += used;
        }
        return v;
    }

    const std::string& s_;
    size_t i_ = 0;
};

/// The places where `value` breaks `schema`, one line each ("" when none).
inline std::string SchemaViolations(const Json& value, const Json& schema, const std::string& where = "$")
{
    std::string out;
    if (const Json* type = schema.Field("type")) {
        static const std::map<std::string, Json::Kind> kinds{{"object", Json::Kind::Object},
                                                             {"array", Json::Kind::Array},
                                                             {"string", Json::Kind::String},
                                                             {"integer", Json::Kind::Number},
                                                             {"boolean", Json::Kind::Bool}};
        const bool ok = value.kind == kinds.at(type->text) && (type->text != "integer" || value.integral);
        if (!ok) return where + ": not of type " + type->text + "\n";
    }
    if (const Json* constant = schema.Field("const")) {
        const bool same = constant->kind == value.kind &&
                          (value.kind == Json::Kind::String ? constant->text == value.text
                                                            : constant->number == value.number);
        if (!same) out += where + ": not the constant value\n";
    }
    if (const Json* required = schema.Field("required")) {
        for (const Json& key : required->items)
            if (!value.Field(key.text)) out += where + ": lacks " + key.text + "\n";
    }
    const Json* properties = schema.Field("properties");
    for (const auto& [key, field] : value.fields) {
        const Json* sub = properties ? properties->Field(key) : nullptr;
        if (sub) {
            out += SchemaViolations(field, *sub, where + "." + key);
        } else if (const Json* extra = schema.Field("additionalProperties");
                   extra && extra->kind == Json::Kind::Bool && !extra->boolean) {
            out += where + ": unknown key " + key + "\n";
        }
    }
    if (const Json* items = schema.Field("items")) {
        for (size_t i = 0; i < value.items.size(); ++i)
            out += SchemaViolations(value.items[i], *items, where + "[" + std::to_string(i) + "]");
    }
    return out;
}

} // namespace mrv::test
