<?xml version="1.0" encoding="UTF-8"?>
<!--
  Turns a merged VXA_Discovery document into the script data of the management
  pages: one statement assigning vxaDiscovery = { devices: [...], groups: [...] }.
  Every text is written as a JavaScript string literal; "<" is escaped so that
  no value can end the page's script block.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>
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
    <xsl:apply-templates select="Device" mode="device"/>
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

  <!-- A quoted string literal; texts without special characters pass at once. -->
  <xsl:template name="string">
    <xsl:param name="text"/>
    <xsl:variable name="value" select="string($text)"/>
    <xsl:text>"</xsl:text>
    <xsl:choose>
      <xsl:when test="translate($value, '\&quot;&lt;&#9;&#10;&#13;', '') = $value">
        <xsl:value-of select="$value"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="$value"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
    <xsl:text>"</xsl:text>
  </xsl:template>

  <!-- Escapes the special characters one kind after the other; each pass
       recurses once per occurrence, not once per character. -->
  <xsl:template name="escape">
    <xsl:param name="text"/>
    <xsl:variable name="s1">
      <xsl:call-template name="replace">
        <xsl:with-param name="text" select="$text"/>
        <xsl:with-param name="from" select="'\'"/>
        <xsl:with-param name="to" select="'\\'"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="s2">
      <xsl:call-template name="replace">
        <xsl:with-param name="text" select="$s1"/>
        <xsl:with-param name="from" select="'&quot;'"/>
        <xsl:with-param name="to" select="'\&quot;'"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="s3">
      <xsl:call-template name="replace">
        <xsl:with-param name="text" select="$s2"/>
        <xsl:with-param name="from" select="'&lt;'"/>
        <xsl:with-param name="to" select="'\x3c'"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="s4">
      <xsl:call-template name="replace">
        <xsl:with-param name="text" select="$s3"/>
        <xsl:with-param name="from" select="'&#9;'"/>
        <xsl:with-param name="to" select="'\t'"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:variable name="s5">
      <xsl:call-template name="replace">
        <xsl:with-param name="text" select="$s4"/>
        <xsl:with-param name="from" select="'&#10;'"/>
        <xsl:with-param name="to" select="'\n'"/>
      </xsl:call-template>
    </xsl:variable>
    <xsl:call-template name="replace">
      <xsl:with-param name="text" select="$s5"/>
      <xsl:with-param name="from" select="'&#13;'"/>
      <xsl:with-param name="to" select="'\r'"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template name="replace">
    <xsl:param name="text"/>
    <xsl:param name="from"/>
    <xsl:param name="to"/>
    <xsl:choose>
      <xsl:when test="contains($text, $from)">
        <xsl:value-of select="substring-before($text, $from)"/>
        <xsl:value-of select="$to"/>
        <xsl:call-template name="replace">
          <xsl:with-param name="text" select="substring-after($text, $from)"/>
          <xsl:with-param name="from" select="$from"/>
          <xsl:with-param name="to" select="$to"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="$text"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
