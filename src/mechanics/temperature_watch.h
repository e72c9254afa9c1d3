#pragma once
// The drive temperature beside the seek test: read from SMART attribute 194
// when the test starts and every few thousand accesses while it runs, shown in
// the seek group and logged; a failed reading switches the watch ("t°") off.

#include <string>

namespace mrv
{

class ProgramImpl;
struct SeekState;

class TemperatureWatch
{
  public:
    TemperatureWatch(ProgramImpl& program, SeekState& state);

    /// The watch applies: "t°" ticked and enabled, and the drive has SMART.
    bool Active() const;
    /// The reading at the start of a seek test (when the watch applies).
    void ReadAtStart();
    /// The reading during the test, followed by the last average access time;
    /// false when it failed and the watch is now off.
    bool ReadSeekTemperature(const std::string& average_text);
    void TermoCtrlBoxClick();

  private:
    /// Attribute 194's low 16 bits as a signed value, or −126/−127.
    int ReadAttribute();
    void SwitchOff();

    ProgramImpl& p_;
    SeekState& s_;
};

} // namespace mrv
