<?xml version="1.0" encoding="UTF-8"?>
<!-- The demo harbour in 3D at dusk: the lighthouse (its lamp turning, a warm light and a glow
     held by the lamp's frame), a quay with two crates, a waving crane arm and the lantern
     picture standing on it, the sea, and a sky that travels with the camera. Two cameras:
     "Wide" sees the whole harbour, "Close" the quay; both look at their targets. -->
<Scene MinVisibleDistance="0.5" MaxVisibleDistance="200" DefaultViewPos="-9 -8 4.5" DefaultViewAngles="18 -40 0" CameraSpeed="5">
  <Node Class="TGSceneSky" Name="Sky" DepthInterval="0.2">
    <Node Class="TGSceneShapeSphere" Name="Dome" Radius="40" Color="4281480286" IgnoreLighting="True"/>
    <Node Class="TGSceneGraphic2D" Name="Afterglow" Graphic="Particles\WhitePoint.png" PivotX="0.5" PivotY="0.5" Alignment="Oriented" RenderMode="AdditiveOverlay" Color="4291324474">
      <Transform Position="18 32 -2" Scaling="2 9 1.3"/>
    </Node>
    <Node Class="TGSceneGraphic2D" Name="Sunset" Graphic="Particles\WhitePoint.png" PivotX="0.5" PivotY="0.5" Alignment="Oriented" RenderMode="AdditiveOverlay" Color="4294952064">
      <Transform Position="30 18 3" Scaling="0.9 0.9 0.9"/>
    </Node>
  </Node>
  <Node Class="TGSceneLight" Name="Sun" LightColor="4294957216" AmbientColor="4282400864">
    <Transform Angles="-40 -35 0"/>
  </Node>
  <Node Class="TGSceneShapeBox" Name="Sea" Size="80 80 0.2" Color="4280961658" RenderMode="Solid">
    <Transform Position="0 0 -0.1"/>
  </Node>
  <Node Class="TGSceneShapeCylinder" Name="Rock" RadiusTop="1.9" RadiusBottom="2.4" Length="0.4" Detail="14" Color="4284703838" RenderMode="Solid">
    <Transform Position="0 0 0.1"/>
  </Node>
  <Node Class="TGSceneGraphic3D" Name="Tower" Graphic="Models\Tower.x" Animation="Turn" Looped="True" TimeScale="0.5" RenderMode="Solid">
    <Transform Position="0 0 0.3"/>
    <Node Class="TGSceneImportModelFrame" Name="Lamp">
      <Node Class="TGSceneLight" Name="LampLight" Type="Point" Falloff="InverseLinear" FalloffStart="6" LightColor="4294955904" AmbientColor="0">
        <Transform Position="0.6 0 0.5"/>
      </Node>
      <Node Class="TGSceneGraphic2D" Name="Glow" Graphic="Particles\WhitePoint.png" PivotX="0.5" PivotY="0.5" Alignment="Oriented" RenderMode="Additive" Color="4294959232">
        <Transform Position="0.35 0 0.55" Scaling="0.09 0.09 0.09"/>
      </Node>
    </Node>
    <Node Class="TGSceneNode" Name="TowerTop" GUID="{6F1D2A10-3C44-4B2E-9A51-0D7E2B8C4F01}">
      <Transform Position="0 0 2.2"/>
    </Node>
  </Node>
  <Node Class="TGSceneShapeBox" Name="Quay" Size="6 2.6 0.5" Color="4287664255" RenderMode="Solid">
    <Transform Position="4.5 -2.6 0.25"/>
    <Node Class="TGSceneGraphic3D" Name="Crate1" Graphic="Models\Crate.x">
      <Transform Position="-1.4 0.2 0.6" Scaling="0.35 0.35 0.35"/>
    </Node>
    <Node Class="TGSceneGraphic3D" Name="Crate2" Graphic="Models\Crate.x" GUID="{6F1D2A10-3C44-4B2E-9A51-0D7E2B8C4F02}">
      <Transform Position="-0.6 0.6 0.6" Scaling="0.35 0.35 0.35" Angles="0 25 0"/>
    </Node>
    <Node Class="TGSceneGraphic3D" Name="Crane" Graphic="Models\Arm.x" Animation="Wave" Looped="True">
      <Transform Position="2.2 0.4 0.25" Scaling="0.6 0.6 0.6" Angles="35 160 0"/>
    </Node>
    <Node Class="TGSceneGraphic2D" Name="Lantern" Graphic="Demo\Lantern.png" PivotX="0.5" PivotY="1" Alignment="VerticalOriented" RenderMode="Alphatest">
      <Transform Position="0.6 -0.7 0.25" Scaling="0.008 0.008 0.008"/>
    </Node>
  </Node>
  <Node Class="TGSceneCamera" Name="Wide" Target="{6F1D2A10-3C44-4B2E-9A51-0D7E2B8C4F01}" Fov="60" MinVisibleDist="0.5" MaxVisibleDist="200">
    <Transform Position="-6 -11 4.5"/>
  </Node>
  <Node Class="TGSceneCamera" Name="Close" Target="{6F1D2A10-3C44-4B2E-9A51-0D7E2B8C4F02}" Fov="50" MinVisibleDist="0.3" MaxVisibleDist="200">
    <Transform Position="1 -7 2.2"/>
  </Node>
</Scene>
