#include "beat_clock.h"
#include "files.h"
#include "media_store.h"
#include "programs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string file_bytes(const std::string& path)
{
    std::string bytes;
    EXPECT_TRUE(read_file(path, &bytes)) << path;
    return bytes;
}

std::string text_of(const EmbeddedAsset& a)
{
    return std::string(reinterpret_cast<const char*>(a.bytes), a.length);
}

}  // namespace

TEST(AssetStore, BlobsAreTheAssetFilesByteForByte)
{
    EXPECT_EQ(text_of(asset_music), file_bytes(KRELAN_ASSET_DIR "/music.mp3"));
    EXPECT_EQ(text_of(asset_warning_card), file_bytes(KRELAN_ASSET_DIR "/warning.png"));
    EXPECT_EQ(text_of(asset_end_card), file_bytes(KRELAN_ASSET_DIR "/end.png"));
    EXPECT_EQ(asset_bpm, k_bpm);
    EXPECT_FLOAT_EQ(asset_bpm, 130.0f);
}

TEST(AssetStore, FragmentTextsBeginWithThePreludeInCrLf)
{
    const std::string prelude =
        "#define mainImage(X,Y) main()\r\n#define fragColor gl_FragColor\r\n"
        "#define iResolution vec2(1920, 1080)\r\n#define iTime beat\r\n"
        "#define fragCoord (gl_FragCoord.xy)\r\n#define iChannel0 tex\r\n"
        "#define texture texture2D\r\nuniform int sound;\r\nuniform float beat;\r\n"
        "uniform sampler2D tex;\r\nvec2 iMouse = vec2(0., 0.);\r\n";
    for (size_t i = 0; i < k_program_count; ++i) {
        const std::string text(k_programs[i].text, k_programs[i].length);
        size_t at = text.find(prelude);
        EXPECT_NE(at, std::string::npos);
        EXPECT_EQ(text.find_first_not_of("\r\n"), at) << "only blank lines before the prelude";
        for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
            ASSERT_EQ(text[i - 1], '\r') << "bare LF at byte " << i;
    }
    EXPECT_EQ(std::string(k_vertex_stage.text, k_vertex_stage.length),
              "void main()\r\n{\r\n    gl_Position = ftransform();\r\n"
              "    gl_TexCoord[0] = gl_MultiTexCoord0;\r\n}\r\n");
}
