// A fresh folder under the temporary folder for one test, removed with everything in it when
// the object goes. Paths are narrow (process code page) like the engine's.
#pragma once
#include <string>
#include <vector>

class CTestFolder
{
public:
    CTestFolder();
    ~CTestFolder();
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    // The folder, with a trailing backslash.
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

    // Whole-file helpers; paths may be longer than MAX_PATH.
    static bool Write(const std::string& path, const std::string& bytes);
    static bool Read(const std::string& path, std::string& bytes);
    static bool Exists(const std::string& path);
    static bool MakeFolder(const std::string& path);
    // Names in the folder (no "." and "..").
    std::vector<std::string> Names() const;
    // Bytes 0..n-1 of a fixed pseudo-random sequence.
    static std::string Pattern(size_t n, unsigned seed = 1);

private:
    std::string m_path;
};
