#pragma once
// The commands the two diagnostic dumps send, in order, as the sensor hears
// them when it answers everything and never sends a data message of its own.

#include <string>
#include <vector>

namespace halyard::test {

// bOsWrites: the operating state read was a register value, so the dump
// switches it (as read, 0x0001) to polled output, to automatic output and back.
inline std::vector<std::string> ExpectedDumpCommands(bool bOsWrites)
{
    std::vector<std::string> commands{"D?", "R?", "V9?"};
    if (bOsWrites)
        commands.push_back("OS0000000000000000");  // polled output
    for (const char* sz : {"PV?", "P?", "BT?", "BB?", "OP?", "T?", "C?", "WT?", "XF?", "SN?"})
        commands.emplace_back(sz);
    for (int n = 0; n < 150; ++n)
        commands.push_back("V" + std::to_string(n) + "?");
    for (const char* sz : {"JM?", "JRO?", "JAO?", "JAI?", "JAL?", "JCC?"})
        commands.emplace_back(sz);
    if (bOsWrites)
        commands.push_back("OS0000000000000001");  // automatic output, calculated at the period's end
    for (const char* sz :
         {"BT?", "BB?", "R?", "R?", "R?", "R?", "R?", "R?", "BT?", "BB?", "XS?", "TR?", "XR?", "XF?"})
        commands.emplace_back(sz);
    if (bOsWrites)
        commands.push_back("OS0000000000000001");  // as read
    commands.emplace_back("V9?");
    return commands;
}

// Variable 2 is not asked for; variable 1 is asked for as "VF1".
inline std::vector<std::string> ExpectedAlsDumpCommands()
{
    std::vector<std::string> commands{"ALS-D?", "ALS-R?",  "ALS-PV?", "ALS-S?",  "ALS-OS?",
                                      "ALS-C?", "ALS-XF?", "ALS-V0?", "ALS-VF1?"};
    for (int n = 3; n <= 41; ++n)
        commands.push_back("ALS-V" + std::to_string(n) + "?");
    commands.emplace_back("ALS-D?");
    commands.emplace_back("ALS-R?");
    return commands;
}

}  // namespace halyard::test
