// The system's texts on Linux: strerror's, and the dialout group for a port
// the user may not open.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/SysError.h"
#include "platform/TextFile.h"

using namespace halyard;

TEST(SysError, FileErrorsGiveTheSystemTextAlone)
{
    // Saving into a folder the user cannot write is not a serial port matter.
    const CFileException error(CFileException::accessDenied, EACCES, "/srv/list.txt");
    EXPECT_EQ(error.ErrorMessage(), "Error with file /srv/list.txt: " + std::string(std::strerror(EACCES)));
    EXPECT_EQ(SystemErrorText(EPERM), std::strerror(EPERM));
}

TEST(SysError, OnlyARefusedPortOpenTellsHowToGetPermission)
{
    for (const uint32_t dwError : {uint32_t{EACCES}, uint32_t{EPERM}}) {
        const std::string text = PortOpenErrorText(dwError);
        EXPECT_EQ(text.rfind(SystemErrorText(dwError), 0), 0u) << text;
        EXPECT_NE(text.find("add your user to the dialout group"), std::string::npos) << text;
    }
    EXPECT_EQ(PortOpenErrorText(ENOENT), SystemErrorText(ENOENT));
    EXPECT_EQ(PortOpenErrorText(EBUSY), SystemErrorText(EBUSY));
}
