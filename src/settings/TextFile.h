// A whole text file as a list of lines, with detection of its encoding on read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trov {

class CTextFile {
public:
    // Encodings of a text file on disk.
    enum Encoding : int {
        kUndetected = -1,  // file shorter than 2 bytes
        k8Bit = 1,         // one byte per character (Latin-1); on reading, UTF-8 sequences are taken as
                           // UTF-8 and a UTF-8 byte order mark is skipped
        kUtf16LE = 2,      // UTF-16 little-endian with the byte order mark FF FE
        kUtf16BE = 3,      // UTF-16 big-endian with the byte order mark FE FF
    };

    // Reads the whole file, detects its encoding and splits it into lines (without terminators,
    // each cut at its last carriage return). False, and nothing changed, when it cannot be read.
    bool Read(const std::string& path);

    // Writes lines, each followed by "\r\n". k8Bit writes Latin-1; when a line holds a character
    // above U+00FF, or the Latin-1 bytes would not read back as themselves (some of them form a UTF-8
    // sequence, or they start like a UTF-16 byte order mark), the file is written as kUtf16LE instead
    // so nothing is lost (see LastWriteEncoding).
    // False when the file cannot be created or written. Remembers the file name on success.
    bool Write(const std::string& path, int encoding, const std::vector<std::string>& lines);
    // Writes this object's own lines.
    bool Write(const std::string& path, int encoding) { return Write(path, encoding, m_lines); }

    void AppendLine(std::string text) { m_lines.push_back(std::move(text)); }
    // Forgets the file name, the raw buffer, the encoding and the lines.
    void Clear();
    // Frees the lines and the raw buffer but keeps the file name.
    void ClearContent();

    std::vector<std::string>& Lines() { return m_lines; }
    const std::vector<std::string>& Lines() const { return m_lines; }

    // The bytes of the last file read (empty after Clear).
    const std::string& Buffer() const { return m_buffer; }
    size_t BufferLength() const { return m_buffer.size(); }
    // Encoding detected by the last Read (kUndetected before any).
    int GetEncoding() const { return m_encoding; }
    // Encoding actually used by the last successful Write.
    int LastWriteEncoding() const { return m_lastWriteEncoding; }

    const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& path) { m_fileName = path; }

    // Splits a string at each "\n"; every piece is cut at its last "\r". The text after the
    // last "\n" becomes a line only when it is not empty.
    static std::vector<std::string> SplitText(std::string_view text);

    // Cuts a line at its last carriage return (the carriage return and anything after it go).
    static void CutAtLastCR(std::string& line);

private:
    std::string m_fileName;
    std::string m_buffer;
    int m_encoding = kUndetected;
    int m_lastWriteEncoding = kUndetected;
    std::vector<std::string> m_lines;
};

}  // namespace trov
