// Tests of krestel-import's logic: models written here (a cube OBJ with and without normals, a
// glTF 2.0 file with an embedded base64 buffer) are imported, written as a MESH record, put into
// a whole scene and read back with the engine's parser. Files go to a temporary folder.
#ifdef KRESTEL_HAVE_IMPORTER

#include "tools/import/import_model.h"

#include "loader/parse.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class ImportTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& content) {
        writeText(folder.file(name), content);
        return folder.file(name);
    }

    TempFolder folder;
};

// The models of tests/data/models: a cube as quads with and without normals, and two 2 by 3
// quads of different materials in one glTF file with an embedded buffer, the second placed 10
// units along x by its node (8 vertices, 4 triangles, x from 0 to 12, y from 0 to 3).
std::string modelPath(const char* name) {
    return std::string(KRESTEL_TEST_DATA) + "/models/" + name;
}

// The record inside a whole scene whose one OBJECT draws it, read with the engine's parser.
SceneDescription parseWithMesh(const std::string& record, const std::string& name) {
    const std::string text =
        "SCENECAMERA: None\nHUD:\nAPPTIME: 0 0\nSIMTIME: 0 0\nTIMECOLOUR: 1 1 1 1\n"
        "BACKGROUNDCOUNT: 0\nBUTTONCOUNT: 0\nFORCECOUNT: 0\nPARTICLECOUNT: 0\n"
        "MATERIALCOUNT: 0\nMESHCOUNT: 1\n" +
        record +
        "SCENEGRAPH:\n------\nENTITY: OBJECT\nTYPE: STATIC\nNAME: Thing\n"
        "POSITION: 0 0 0 ROTATION: 0 0 1 0 SCALE: 1 1 1\n"
        "ACCELERATION: 0 0 0 VELOCITY: 0 0 0\nLINK: " +
        name + "\nMATERIAL: None\nMASS: 1\nKEYFRAMERCOUNT: 0\nCHILDCOUNT: 0\n";
    SceneDescription d;
    const ParseError e = parseScene(text, &d);
    EXPECT_EQ(e.kind, ParseErrorKind::None) << "line " << e.line << ": " << e.message;
    return d;
}

void expectBox(const BoundingBox& b, Float3 lo, Float3 hi) {
    EXPECT_FLOAT_EQ(b.centre.x, (lo.x + hi.x) / 2);
    EXPECT_FLOAT_EQ(b.centre.y, (lo.y + hi.y) / 2);
    EXPECT_FLOAT_EQ(b.centre.z, (lo.z + hi.z) / 2);
    EXPECT_FLOAT_EQ(b.axis0.x, (hi.x - lo.x) / 2);
    EXPECT_FLOAT_EQ(b.axis1.y, (hi.y - lo.y) / 2);
    EXPECT_FLOAT_EQ(b.axis2.z, (hi.z - lo.z) / 2);
}

bool isAxis(Float3 n) {
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    return std::fabs(length - 1.0f) < 1e-5f &&
           ((ax > 0.999f && ay < 1e-3f && az < 1e-3f) ||
            (ay > 0.999f && ax < 1e-3f && az < 1e-3f) || (az > 0.999f && ax < 1e-3f && ay < 1e-3f));
}

TEST_F(ImportTest, CubeWithAndWithoutNormalsReadsBackThroughTheParser) {
    for (const bool normals : {true, false}) {
        SCOPED_TRACE(normals ? "with normals" : "without normals");
        const std::string path = modelPath(normals ? "cube-normals.obj" : "cube.obj");
        ImportedModel model;
        std::string error;
        ASSERT_TRUE(importModel(path, &model, &error)) << error;
        // Each face keeps its own four corners, so that the box keeps hard edges.
        EXPECT_EQ(model.vertices.size(), 24u);
        EXPECT_EQ(model.indices.size(), 36u);
        for (const Vertex& v : model.vertices) {
            EXPECT_TRUE(isAxis(v.normal)) << v.normal.x << " " << v.normal.y << " " << v.normal.z;
            // Outward: the normal points the way the corner lies from the centre.
            EXPECT_GT(v.normal.x * v.position.x + v.normal.y * v.position.y +
                          v.normal.z * v.position.z,
                      0.0f);
        }
        const SceneDescription d = parseWithMesh(formatMeshRecord("Cube", model), "Cube");
        ASSERT_EQ(d.meshes.size(), 1u);
        EXPECT_STREQ(d.meshes[0].name.text, "Cube");
        EXPECT_EQ(d.meshes[0].vertices.size(), 24u);
        EXPECT_EQ(d.meshes[0].indices.size(), 36u);
        expectBox(d.meshes[0].bounds, {-1, -1, -1}, {1, 1, 1});
        if (normals) {
            bool cornerUv = false;
            for (const Vertex& v : d.meshes[0].vertices) {
                cornerUv = cornerUv || (v.texCoord.u == 1.0f && v.texCoord.v == 1.0f);
            }
            EXPECT_TRUE(cornerUv);
        }
    }
}

TEST_F(ImportTest, GltfMeshesAreMergedWithTheirNodeTransforms) {
    const std::string path = modelPath("quads.gltf");
    ImportedModel model;
    std::string error;
    ASSERT_TRUE(importModel(path, &model, &error)) << error;
    EXPECT_EQ(model.meshCount, 2);
    const SceneDescription d = parseWithMesh(formatMeshRecord("Quads", model), "Quads");
    ASSERT_EQ(d.meshes.size(), 1u);
    EXPECT_EQ(d.meshes[0].vertices.size(), 8u);
    EXPECT_EQ(d.meshes[0].indices.size(), 12u);
    expectBox(d.meshes[0].bounds, {0, 0, 0}, {12, 3, 0});
    for (const Vertex& v : d.meshes[0].vertices) {
        EXPECT_FLOAT_EQ(std::fabs(v.normal.z), 1.0f); // generated: the quads have none
    }
    // Indices of the second mesh point into its own vertices.
    for (size_t t = 6; t < 12; ++t) EXPECT_GE(d.meshes[0].indices[t], 4u);
}

TEST_F(ImportTest, CentreThenScale) {
    const std::string path = modelPath("quads.gltf");
    ImportedModel model;
    std::string error;
    ASSERT_TRUE(importModel(path, &model, &error)) << error;
    transformModel(&model, {2.0f, true});
    const SceneDescription d = parseWithMesh(formatMeshRecord("Quads", model), "Quads");
    expectBox(d.meshes[0].bounds, {-12, -3, 0}, {12, 3, 0});

    ImportedModel scaledOnly;
    ASSERT_TRUE(importModel(path, &scaledOnly, &error)) << error;
    transformModel(&scaledOnly, {0.5f, false});
    const SceneDescription e = parseWithMesh(formatMeshRecord("Quads", scaledOnly), "Quads");
    expectBox(e.meshes[0].bounds, {0, 0, 0}, {6, 1.5f, 0});
}

TEST_F(ImportTest, NumbersReadBackExactly) {
    ImportedModel model;
    const float awkward[] = {0.1f, -1e-7f, 123456.789f, 1.0f / 3.0f, -0.0f, 3e20f};
    for (float a : awkward) {
        model.vertices.push_back({{a, -a, a * 2}, {0, 0, 1}, {a, 1 - a}});
    }
    model.indices = {0, 1, 2, 3, 4, 5};
    const SceneDescription d = parseWithMesh(formatMeshRecord("N", model), "N");
    ASSERT_EQ(d.meshes[0].vertices.size(), model.vertices.size());
    for (size_t i = 0; i < model.vertices.size(); ++i) {
        EXPECT_EQ(d.meshes[0].vertices[i].position.x, model.vertices[i].position.x);
        EXPECT_EQ(d.meshes[0].vertices[i].position.z, model.vertices[i].position.z);
        EXPECT_EQ(d.meshes[0].vertices[i].texCoord.v, model.vertices[i].texCoord.v);
    }
    EXPECT_EQ(formatMeshRecord("N", model).find("-0 "), std::string::npos);
}

TEST_F(ImportTest, FailuresSayWhy) {
    ImportedModel model;
    std::string error;
    EXPECT_FALSE(importModel(folder.file("missing.obj"), &model, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;

    EXPECT_FALSE(importModel(write("junk.gltf", "{ this is not json"), &model, &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;

    // Lines and points only: nothing a MESH can hold.
    EXPECT_FALSE(importModel(write("lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nl 2 3\np 1\n"),
                             &model, &error));
    EXPECT_NE(error.find("no triangles"), std::string::npos) << error;
}

TEST(ImportNames, NamesAreSceneWords) {
    EXPECT_EQ(meshNameProblem("Cube"), "");
    EXPECT_EQ(meshNameProblem("abcdefghijklmnopqrs"), ""); // 19 characters
    EXPECT_NE(meshNameProblem("abcdefghijklmnopqrst").find("20 characters"), std::string::npos);
    EXPECT_NE(meshNameProblem("two words"), "");
    EXPECT_NE(meshNameProblem(""), "");
    EXPECT_EQ(defaultMeshName("models/teapot.obj"), "teapot");
    EXPECT_EQ(defaultMeshName("a.b/cube"), "cube");
    EXPECT_EQ(defaultMeshName("ship.v2.gltf"), "ship.v2");
}

TEST(ImportTextures, AdviceNamesTheConvertCommandAndAWordSizedFile) {
    ImportedModel model;
    model.textures = {"textures/a very long texture name.png", "*0"};
    const std::string advice = textureAdvice(model, "models/ship.obj");
    EXPECT_NE(advice.find("convert 'models/textures/a very long texture name.png' -type TrueColor "
                          "-compress none a_very_long_tex.tga"),
              std::string::npos)
        << advice;
    EXPECT_NE(advice.find("TEXTURE: a_very_long_tex.tga"), std::string::npos) << advice;
    EXPECT_NE(advice.find("embedded"), std::string::npos) << advice;
    for (size_t start = 0; start < advice.size();) {
        const size_t end = advice.find('\n', start);
        EXPECT_EQ(advice.compare(start, 2, "# "), 0) << advice.substr(start, end - start);
        start = end + 1;
    }
}

} // namespace

#endif
