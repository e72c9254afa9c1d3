#include "report/drive_report.h"

#include <cstdint>
#include <cstdio>

namespace mrv
{
namespace
{

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

/// Writes "key": value pairs of one object on their own lines.
class JsonObject
{
  public:
    JsonObject(std::string& out, int indent) : out_(out), indent_(indent) { out_ += "{"; }
    void Field(const char* key, const std::string& raw_value)
    {
        out_ += first_ ? "\n" : ",\n";
        first_ = false;
        out_ += std::string(static_cast<size_t>(indent_ + 2), ' ') + JsonString(key) + ": " + raw_value;
    }
    void Text(const char* key, const std::string& value) { Field(key, JsonString(value)); }
    void Close() { out_ += first_ ? "}" : "\n" + std::string(static_cast<size_t>(indent_), ' ') + "}"; }

  private:
    std::string& out_;
    int indent_;
    bool first_ = true;
};

template <typename Item, typename WriteItem>
std::string JsonArray(const std::vector<Item>& items, int indent, WriteItem write)
{
    if (items.empty()) return "[]";
    std::string out = "[";
    const std::string pad(static_cast<size_t>(indent + 2), ' ');
    for (size_t i = 0; i < items.size(); ++i) {
        out += (i ? ",\n" : "\n") + pad;
        write(out, items[i], indent + 2);
    }
    return out + "\n" + std::string(static_cast<size_t>(indent), ' ') + "]";
}

std::string Html(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string HtmlRow(const std::vector<std::string>& cells, const char* tag)
{
    std::string row = "<tr>";
    for (const std::string& cell : cells)
        row += std::string("<") + tag + ">" + Html(cell) + "</" + tag + ">";
    return row + "</tr>\n";
}

std::string ScanJson(const ScanReport& scan)
{
    std::string out;
    JsonObject o(out, 2);
    o.Text("summary", scan.summary);
    o.Text("started", scan.started);
    std::vector<size_t> classes;
    for (size_t i = 0; i < scan.class_counts.size() && i < scan.class_labels.size(); ++i)
        classes.push_back(i);
    o.Field("classes", JsonArray(classes, 4, [&scan](std::string& text, size_t i, int indent) {
                JsonObject c(text, indent);
                c.Text("label", scan.class_labels[i]);
                c.Field("blocks", std::to_string(scan.class_counts[i]));
                c.Close();
            }));
    o.Field("errors", std::to_string(scan.errors));
    o.Field("defects", JsonArray(scan.defects, 4, [](std::string& text, const std::string& line, int) {
                text += JsonString(line);
            }));
    o.Text("grid_png_base64", Base64(scan.grid_png));
    o.Text("graph_png_base64", Base64(scan.graph_png));
    o.Close();
    return out;
}

std::string HtmlPicture(const std::string& png, const std::string& alt)
{
    if (png.empty()) return {};
    return "<p><img alt=\"" + Html(alt) + "\" src=\"data:image/png;base64," + Base64(png) + "\"></p>\n";
}

} // namespace

std::string Base64(const std::string& bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        uint32_t n = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16;
        if (left > 1) n |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8;
        if (left > 2) n |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += left > 1 ? kDigits[(n >> 6) & 63] : '=';
        out += left > 2 ? kDigits[n & 63] : '=';
    }
    return out;
}

std::string ReportJson(const DriveReport& r)
{
    std::string out;
    JsonObject root(out, 0);
    root.Text("format", "morvanta-report");
    root.Field("version", "1");
    root.Text("program", r.program);
    root.Text("generated", r.generated);
    {
        std::string drive;
        JsonObject d(drive, 2);
        d.Text("model", r.model);
        d.Text("serial", r.serial);
        d.Text("firmware", r.firmware);
        d.Text("capacity", r.capacity);
        d.Close();
        root.Field("drive", drive);
    }
    if (r.passport) {
        root.Field("passport",
                   JsonArray(*r.passport, 2, [](std::string& o, const PassportReportRow& e, int indent) {
                       JsonObject row(o, indent);
                       row.Text("subject", e.subject);
                       row.Text("value", e.value);
                       row.Text("comment", e.comment);
                       row.Close();
                   }));
    }
    if (r.smart) {
        root.Field("smart", JsonArray(*r.smart, 2, [](std::string& o, const SmartReportRow& e, int indent) {
                       JsonObject row(o, indent);
                       row.Text("id", e.id);
                       row.Text("name", e.name);
                       row.Text("value", e.value);
                       row.Text("worst", e.worst);
                       row.Text("threshold", e.threshold);
                       row.Text("raw", e.raw);
                       row.Text("health", e.health);
                       row.Close();
                   }));
    }
    if (r.scan) root.Field("scan", ScanJson(*r.scan));
    root.Close();
    return out + "\n";
}

std::string ReportHtml(const DriveReport& r)
{
    std::string title = r.model.empty() ? "Drive report" : "Drive report: " + r.model;
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + Html(title) +
        "</title>\n<style>\n"
        "body { font-family: sans-serif; margin: 2em; color: #222; }\n"
        "table { border-collapse: collapse; margin-bottom: 1.5em; }\n"
        "th, td { border: 1px solid #bbb; padding: 0.2em 0.6em; text-align: left; }\n"
        "th { background: #e8e8e8; }\n"
        "p.meta { color: #666; }\n"
        "img { image-rendering: pixelated; }\n"
        "</style>\n</head>\n<body>\n<h1>" +
        Html(title) + "</h1>\n<p class=\"meta\">" + Html(r.program) + ", " + Html(r.generated) +
        "</p>\n<table>\n" + HtmlRow({"Model", r.model}, "td") + HtmlRow({"Serial", r.serial}, "td") +
        HtmlRow({"Firmware", r.firmware}, "td") + HtmlRow({"Capacity", r.capacity}, "td") + "</table>\n";
    if (r.passport) {
        out += "<h2>Passport</h2>\n<table>\n" + HtmlRow({"Subject", "Value", "Comment"}, "th");
        for (const PassportReportRow& e : *r.passport)
            out += HtmlRow({e.subject, e.value, e.comment}, "td");
        out += "</table>\n";
    }
    if (r.smart) {
        out += "<h2>SMART</h2>\n<table>\n" +
               HtmlRow({"ID", "Name", "Value", "Worst", "Threshold", "Raw", "Health"}, "th");
        for (const SmartReportRow& e : *r.smart)
            out += HtmlRow({e.id, e.name, e.value, e.worst, e.threshold, e.raw, e.health}, "td");
        out += "</table>\n";
    }
    if (r.scan) {
        const ScanReport& scan = *r.scan;
        out += "<h2>Surface scan</h2>\n<p>" + Html(scan.started) + "</p>\n<p><strong>" + Html(scan.summary) +
               "</strong></p>\n<table>\n";
        std::vector<std::string> labels{"ms"}, counts{"blocks"};
        for (size_t i = 0; i < scan.class_counts.size() && i < scan.class_labels.size(); ++i) {
            labels.push_back(scan.class_labels[i]);
            counts.push_back(std::to_string(scan.class_counts[i]));
        }
        labels.push_back("Err");
        counts.push_back(std::to_string(scan.errors));
        out += HtmlRow(labels, "th") + HtmlRow(counts, "td") + "</table>\n";
        if (!scan.defects.empty()) {
            out += "<h3>Logged</h3>\n<ul>\n";
            for (const std::string& line : scan.defects)
                out += "<li>" + Html(line) + "</li>\n";
            out += "</ul>\n";
        }
        out += HtmlPicture(scan.grid_png, "Block grid") + HtmlPicture(scan.graph_png, "Speed graph");
    }
    return out + "</body>\n</html>\n";
}

} // namespace mrv
