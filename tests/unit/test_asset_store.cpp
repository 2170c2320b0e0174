#include "files.h"
#include "media_store.h"
#include "programs.h"
#include "shader_assembly.h"

#include <gtest/gtest.h>

#include <sstream>
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

// A shader piece file from the source tree, with the CR LF line ends the
// store gives every text.
std::string piece_in_crlf(const std::string& piece)
{
    std::vector<std::string> dirs;
    std::stringstream all(KRELAN_SHADER_DIRS);
    for (std::string d; std::getline(all, d, ':');) dirs.push_back(d);
    std::string text, error;
    EXPECT_TRUE(load_shader_piece(piece, dirs, &text, &error)) << error;
    return to_crlf(text);
}

}  // namespace

TEST(AssetStore, BlobsAreTheAssetFilesByteForByte)
{
    EXPECT_EQ(text_of(asset_music), file_bytes(KRELAN_ASSET_DIR "/music.mp3"));
    EXPECT_EQ(text_of(asset_warning_card), file_bytes(KRELAN_ASSET_DIR "/warning.png"));
    EXPECT_EQ(text_of(asset_end_card), file_bytes(KRELAN_ASSET_DIR "/end.png"));
}

TEST(AssetStore, FragmentTextsBeginWithThePreludeInCrLf)
{
    const std::string prelude = piece_in_crlf("prelude.glsl");
    ASSERT_FALSE(prelude.empty());
    for (size_t i = 0; i < k_program_count; ++i) {
        const std::string text(k_programs[i].text, k_programs[i].length);
        size_t at = text.find(prelude);
        EXPECT_NE(at, std::string::npos) << k_programs[i].name;
        EXPECT_EQ(text.find_first_not_of("\r\n"), at) << "only blank lines before the prelude";
        for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
            ASSERT_EQ(text[i - 1], '\r') << "bare LF at byte " << i;
    }
    EXPECT_EQ(std::string(k_vertex_stage.text, k_vertex_stage.length),
              piece_in_crlf("vertex.glsl"));
}
