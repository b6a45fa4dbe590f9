#include "workflow/BackupScript.h"

#include <gtest/gtest.h>

using namespace ata;

// The script's other lines run against a real server through the window's tests.
TEST(BackupScript, AnEmptyPasswordIsSentAsAnEmptyArgument) {
    EXPECT_NE(BuildBackupScriptText("127.0.0.2", "admin", "").find("\r\nSEND \"PASS \\n\"\r\n"),
              std::string::npos);
}

TEST(BackupScript, InputsThatWouldChangeTheCommandsAreRefused) {
    for (const char* strIp : {"127.0.0.2 ", "127.0. 0.2", "127.0.0.2\r\n", "\"127.0.0.2"})
        EXPECT_FALSE(IsUsableBackupAddress(strIp)) << strIp;
    EXPECT_TRUE(IsUsableBackupAddress("127.0.0.2"));
    const std::pair<const char*, const char*> unsafe[] = {
        {"ad\\nmin", ""}, {"admin", "a\\N"}, {"admin", "a\\\""}, {"admin", "a\rb"}, {"a\tb", ""}};
    for (const auto& [strUser, strPass] : unsafe)
        EXPECT_EQ(CheckBackupCredentials(strUser, strPass), kBadCredentialsMessage)
            << strUser << strPass;
    EXPECT_EQ(CheckBackupCredentials("admin", "pa\"ss\\x"), "");
}
