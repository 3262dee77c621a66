<?xml version="1.0" encoding="UTF-8"?>
<!--
  Turns a merged VXA_Discovery document into the script data of the management
  pages: one statement assigning vxaDiscovery = { devices: [...], groups: [...] }.
  Every text is written as a JavaScript string literal that no value can end
  (see the template "string").
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>
  <!-- Backslash, double quote, less-than, tab, line feed, carriage return. -->
  <xsl:variable name="special" select="'\&quot;&lt;&#9;&#10;&#13;'"/>
  <xsl:variable name="private" select="'&#xE000;&#xE001;&#xE002;&#xE003;&#xE004;&#xE005;'"/>
  <!-- Nested devices are written down to this depth, which also bounds the
       transformer's recursion. -->
  <xsl:variable name="maxDepth" select="8"/>

  <xsl:strip-space elements="VXA_Discovery Devices Device DeviceGroup Type Class Instance Operations Operation QWEXInfo"/>

  <xsl:template match="/">
    <xsl:text>vxaDiscovery = {"devices":[</xsl:text>
    <xsl:apply-templates select="VXA_Discovery/Devices/Device" mode="device"/>
    <xsl:text>],"groups":[</xsl:text>
    <xsl:apply-templates select="VXA_Discovery/Devices/DeviceGroup"/>
    <xsl:text>]};&#10;</xsl:text>
  </xsl:template>

  <!-- A described device, its operations and the devices nested in it. -->
  <xsl:template match="Device" mode="device">
    <xsl:if test="position() &gt; 1">,</xsl:if>
    <xsl:text>&#10;{</xsl:text>
    <xsl:call-template name="identity"/>
    <xsl:text>,"box":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="BoxName"/>
    </xsl:call-template>
    <xsl:text>,"ops":[</xsl:text>
    <xsl:apply-templates select="Operations/Operation"/>
    <xsl:text>],"children":[</xsl:text>
    <xsl:if test="count(ancestor::Device) &lt; $maxDepth">
      <xsl:apply-templates select="Device" mode="device"/>
    </xsl:if>
    <xsl:text>]}</xsl:text>
  </xsl:template>

  <!-- A device group: its name, operations and member references. -->
  <xsl:template match="DeviceGroup">
    <xsl:if test="position() &gt; 1">,</xsl:if>
    <xsl:text>&#10;{"name":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="Name"/>
    </xsl:call-template>
    <xsl:text>,"title":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="DeviceGroupName"/>
    </xsl:call-template>
    <xsl:text>,"ops":[</xsl:text>
    <xsl:apply-templates select="Operation"/>
    <xsl:text>],"members":[</xsl:text>
    <xsl:for-each select="Device">
      <xsl:if test="position() &gt; 1">,</xsl:if>
      <xsl:text>{</xsl:text>
      <xsl:call-template name="identity"/>
      <xsl:text>}</xsl:text>
    </xsl:for-each>
    <xsl:text>]}</xsl:text>
  </xsl:template>

  <!-- Name, bus type with its fields, class with its attributes, instance. -->
  <xsl:template name="identity">
    <xsl:variable name="bus" select="Type/*[1]"/>
    <xsl:variable name="class" select="Class/*[1]"/>
    <xsl:variable name="instance" select="Instance/*[1]"/>
    <xsl:text>"name":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="Name"/>
    </xsl:call-template>
    <xsl:text>,"bus":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="name($bus)"/>
    </xsl:call-template>
    <xsl:text>,"fields":[</xsl:text>
    <xsl:for-each select="$bus/*">
      <xsl:if test="position() &gt; 1">,</xsl:if>
      <xsl:call-template name="pair">
        <xsl:with-param name="key" select="name()"/>
        <xsl:with-param name="value" select="."/>
      </xsl:call-template>
    </xsl:for-each>
    <xsl:text>],"cls":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="name($class)"/>
    </xsl:call-template>
    <xsl:text>,"attrs":[</xsl:text>
    <xsl:for-each select="$class/@*">
      <xsl:if test="position() &gt; 1">,</xsl:if>
      <xsl:call-template name="pair">
        <xsl:with-param name="key" select="name()"/>
        <xsl:with-param name="value" select="."/>
      </xsl:call-template>
    </xsl:for-each>
    <xsl:text>],"inst":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="name($instance)"/>
    </xsl:call-template>
    <xsl:text>,"at":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="$instance"/>
    </xsl:call-template>
  </xsl:template>

  <!-- An operation with its link and the application that offers it. -->
  <xsl:template match="Operation">
    <xsl:if test="position() &gt; 1">,</xsl:if>
    <xsl:text>{"name":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="Name"/>
    </xsl:call-template>
    <xsl:text>,"desc":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="Description"/>
    </xsl:call-template>
    <xsl:text>,"app":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="QWEXInfo/RegisteredName"/>
    </xsl:call-template>
    <xsl:text>,"appName":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="QWEXInfo/DisplayName"/>
    </xsl:call-template>
    <xsl:text>,"link":</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="Link"/>
    </xsl:call-template>
    <xsl:text>}</xsl:text>
  </xsl:template>

  <xsl:template name="pair">
    <xsl:param name="key"/>
    <xsl:param name="value"/>
    <xsl:text>[</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="$key"/>
    </xsl:call-template>
    <xsl:text>,</xsl:text>
    <xsl:call-template name="string">
      <xsl:with-param name="text" select="$value"/>
    </xsl:call-template>
    <xsl:text>]</xsl:text>
  </xsl:template>

  <!-- A quoted string literal. The characters that could end the literal or
       the page's script block are mapped one to one onto private-use
       characters that the page maps back: one pass, no recursion, whatever
       the text holds. -->
  <xsl:template name="string">
    <xsl:param name="text"/>
    <xsl:text>"</xsl:text>
    <xsl:value-of select="translate(string($text), $special, $private)"/>
    <xsl:text>"</xsl:text>
  </xsl:template>
</xsl:stylesheet>
