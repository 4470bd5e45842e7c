// The exported functions of the shared library, on its one module instance.
#include <gtest/gtest.h>

#include "pty.h"
#include "serlink.h"

TEST(Exports, ModuleInstanceOverThePosixBackend) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    const std::string text = pty.slave + ":";
    ASSERT_EQ(Get_COM_Handle(), SERLINK_INVALID_HANDLE);
    ASSERT_EQ(Init_Serlink(text.c_str(), 4800), SERLINK_OK);
    const serlink_handle_t h = Get_COM_Handle();
    EXPECT_NE(h, SERLINK_INVALID_HANDLE);
    EXPECT_EQ(Init_Serlink("/dev/null:", 9600), SERLINK_OK);
    EXPECT_EQ(Get_COM_Handle(), h);

    EXPECT_EQ(Set_Wait_Time(30), 30u);
    uint8_t b = 0;
    EXPECT_EQ(ReadByte(&b), SERLINK_E_READ_TIMEOUT);
    pty.put({0x7E});
    EXPECT_EQ(ReadByte(&b), SERLINK_OK);
    EXPECT_EQ(b, 0x7E);
    EXPECT_EQ(IsBufferEmpty(), 1);
    EXPECT_EQ(WriteByte(0x81), SERLINK_OK);
    EXPECT_EQ(pty.take(1), std::vector<uint8_t>{0x81});

    EXPECT_EQ(Exit_Serlink(), SERLINK_OK);
    EXPECT_EQ(Get_COM_Handle(), SERLINK_INVALID_HANDLE);
    EXPECT_EQ(Exit_Serlink(), SERLINK_OK);
    EXPECT_EQ(Set_COM_Handle(h), h);  // stored, nothing opened
    EXPECT_EQ(Set_COM_Handle(SERLINK_INVALID_HANDLE), SERLINK_INVALID_HANDLE);
    Set_Wait_Time(2000);
}
