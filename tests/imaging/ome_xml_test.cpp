// OME-XML read as text: which plane each page holds by DimensionOrder and by
// TiffData, units converted, and every malformed or inconsistent text named.
#include "imaging/ome_xml.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace vembrel::testing {
namespace {

std::string Ome(const std::string& pixelsAttributes, const std::string& inner = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<OME xmlns=\"http://www.openmicroscopy.org/Schemas/OME/2016-06\">"
         "<Image ID=\"Image:0\"><Pixels ID=\"Pixels:0\" Type=\"uint8\" SizeX=\"8\" SizeY=\"8\" " +
         pixelsAttributes + ">" + inner + "</Pixels></Image></OME>";
}

using Planes = std::vector<OmePlane>;

TEST(OmeXml, PagesFollowTheDimensionOrderOrTheirTiffData) {
  // Two channels, three time points: the first letter after XY changes fastest.
  const std::string sizes = "SizeC=\"2\" SizeT=\"3\" SizeZ=\"1\" ";
  EXPECT_EQ(ParseOmeXml(Ome(sizes + "DimensionOrder=\"XYCZT\""), 6, "f.tif").pages,
            (Planes{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}, {1, 2, 0}}));
  EXPECT_EQ(ParseOmeXml(Ome(sizes + "DimensionOrder=\"XYTCZ\""), 6, "f.tif").pages,
            (Planes{{0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 0, 0}, {1, 1, 0}, {1, 2, 0}}));
  const OmeImage stack = ParseOmeXml(
      Ome("SizeC=\"2\" SizeT=\"1\" SizeZ=\"2\" DimensionOrder=\"XYZCT\" PhysicalSizeX=\"650\" "
          "PhysicalSizeXUnit=\"nm\"",
          "<Channel Name=\"Red\"/><Channel/>"),
      4, "f.tif");
  EXPECT_EQ(stack.pages, (Planes{{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {1, 0, 1}}));
  EXPECT_EQ(stack.channelNames, (std::vector<std::string>{"Red", ""}));
  EXPECT_DOUBLE_EQ(*stack.pixelSize, 0.65);

  // TiffData placing the second time point first, with a namespace prefix,
  // a unit in millimetres and the planes' DeltaT in hours and seconds.
  const OmeImage placed = ParseOmeXml(
      "<ome:OME xmlns:ome=\"http://www.openmicroscopy.org/Schemas/OME/2016-06\"><ome:Image>"
      "<ome:Pixels DimensionOrder=\"XYCZT\" SizeC=\"2\" SizeT=\"2\" PhysicalSizeX=\"0.0005\" "
      "PhysicalSizeXUnit=\"mm\">"
      "<ome:TiffData IFD=\"0\" FirstT=\"1\" PlaneCount=\"2\"><ome:UUID FileName=\"f.tif\"/>"
      "</ome:TiffData><ome:TiffData IFD=\"2\" PlaneCount=\"2\"/>"
      "<ome:Plane TheC=\"1\" TheT=\"1\" DeltaT=\"1.5\" DeltaTUnit=\"h\"/>"
      "<ome:Plane TheT=\"0\" DeltaT=\"30\"/></ome:Pixels></ome:Image></ome:OME>",
      4, "/plate/f.tif");
  EXPECT_EQ(placed.pages, (Planes{{0, 1, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}}));
  EXPECT_DOUBLE_EQ(*placed.pixelSize, 0.5);
  EXPECT_EQ(placed.timePointSeconds, (std::vector<std::optional<double>>{30.0, 5400.0}));
  EXPECT_TRUE(placed.channelNames.empty());  // no Channel elements

  EXPECT_TRUE(IsOmeXml("<?xml version=\"1.0\"?><OME/>"));
  EXPECT_TRUE(IsOmeXml("  <OME xmlns=\"x\"/>"));
  EXPECT_FALSE(IsOmeXml("<MetaData><prop id=\"x\"/></MetaData>"));
}

TEST(OmeXml, MalformedOrInconsistentTextIsNamed) {
  const std::string two = "SizeC=\"2\" DimensionOrder=\"XYCZT\" ";
  const struct {
    std::string text;
    int pages;
    std::string fault;
  } cases[] = {
      {Ome(two), 3, "SizeC 2 x SizeT 1 x SizeZ 1 = 2 planes, but the file holds 3 pages"},
      {Ome("SizeC=\"2\" DimensionOrder=\"XYCCT\""), 2,
       "DimensionOrder \"XYCCT\" is none of XYCZT, XYCTZ, XYZCT, XYZTC, XYTCZ, XYTZC"},
      {Ome("DimensionOrder=\"XYCZT\" SizeT=\"-1\""), 1,
       "Pixels SizeT=\"-1\" is no whole number from 1 to 1000000"},
      {"<OME><Image/><Image/></OME>", 1, "holds 2 images; one image per file is read"},
      {"<OME><Image>", 1, "not XML (Start-end tags mismatch at character 11)"},
      {"<Other/>", 1, "the root element is no OME"},
      {Ome(two, "<TiffData IFD=\"1\" PlaneCount=\"2\"/>"), 2,
       "TiffData IFD 1 PlaneCount 2 reaches beyond the file's 2 pages or its 2 planes"},
      {Ome(two, "<TiffData IFD=\"0\"/><TiffData IFD=\"1\"/><TiffData IFD=\"1\" FirstC=\"1\"/>"), 2,
       "TiffData places page 2 or its plane twice"},
      {Ome(two, "<TiffData IFD=\"1\" FirstC=\"1\"/>"), 2, "no TiffData places page 1"},
      {Ome(two, "<TiffData FirstC=\"2\"/>"), 2, "TiffData FirstC=\"2\" lies beyond SizeC 2"},
      {Ome(two, "<TiffData><UUID FileName=\"g.tif\"/></TiffData>"), 2,
       "TiffData places planes in another file, 'g.tif'; planes of other files are not read"},
      {Ome(two + "PhysicalSizeX=\"0.65\" PhysicalSizeXUnit=\"inch\""), 2,
       "Pixels PhysicalSizeXUnit=\"inch\" is a unit not read"},
      {Ome(two + "PhysicalSizeX=\"0\""), 2, "Pixels PhysicalSizeX=\"0\" is no positive number"},
      {Ome(two, "<Plane TheT=\"1\" DeltaT=\"5\"/>"), 2, "Plane TheT=\"1\" lies beyond SizeT 1"},
      {Ome(two, "<Plane DeltaT=\"soon\"/>"), 2, "Plane DeltaT=\"soon\" is no non-negative number"},
  };
  for (const auto& bad : cases) {
    try {
      ParseOmeXml(bad.text, bad.pages, "/plate/f.tif");
      ADD_FAILURE() << "read: " << bad.text;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "OME-XML of '/plate/f.tif': " + bad.fault);
    }
  }
}

}  // namespace
}  // namespace vembrel::testing
