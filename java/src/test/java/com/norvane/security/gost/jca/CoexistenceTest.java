package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertInstanceOf;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayInputStream;
import java.math.BigInteger;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.PrivateKey;
import java.security.PublicKey;
import java.security.Security;
import java.security.cert.CertificateFactory;
import java.security.cert.X509Certificate;
import java.security.spec.ECGenParameterSpec;
import java.util.Date;
import java.util.Random;
import org.bouncycastle.asn1.x500.X500Name;
import org.bouncycastle.cert.X509CertificateHolder;
import org.bouncycastle.cert.jcajce.JcaX509CertificateHolder;
import org.bouncycastle.cert.jcajce.JcaX509v3CertificateBuilder;
import org.bouncycastle.cms.CMSAlgorithm;
import org.bouncycastle.cms.CMSEnvelopedData;
import org.bouncycastle.cms.CMSEnvelopedDataGenerator;
import org.bouncycastle.cms.CMSProcessableByteArray;
import org.bouncycastle.cms.RecipientInformation;
import org.bouncycastle.cms.jcajce.JceCMSContentEncryptorBuilder;
import org.bouncycastle.cms.jcajce.JceKeyTransEnvelopedRecipient;
import org.bouncycastle.cms.jcajce.JceKeyTransRecipientInfoGenerator;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.bouncycastle.operator.jcajce.JcaContentSignerBuilder;
import org.bouncycastle.operator.jcajce.JcaContentVerifierProviderBuilder;
import org.junit.jupiter.api.Test;

/**
 * With this provider installed first, code that names Bouncy Castle everywhere works as
 * before: the JDK's certificate parser hands out this provider's keys (it asks the first
 * provider with a KeyFactory for the key's OID), and Bouncy Castle's certificate and CMS
 * code takes them.
 */
class CoexistenceTest {
    @Test
    void bouncyCastleCodeWorksWithThisProviderFirst() throws Exception {
        boolean addedVantix = Security.getProvider(VantixProvider.NAME) == null;
        boolean addedBc = Security.getProvider("BC") == null;
        if (addedVantix) {
            Security.insertProviderAt(new VantixProvider(), 1);
        }
        if (addedBc) {
            Security.addProvider(new BouncyCastleProvider());
        }
        try {
            assertEquals(VantixProvider.NAME, Security.getProviders()[0].getName());
            KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", "BC");
            g.initialize(new ECGenParameterSpec("GostR3410-2001-CryptoPro-A"));
            KeyPair pair = g.generateKeyPair();
            X509CertificateHolder holder = new JcaX509v3CertificateBuilder(new X500Name("CN=recipient"),
                BigInteger.valueOf(25), new Date(System.currentTimeMillis() - 60_000),
                new Date(System.currentTimeMillis() + 86_400_000L), new X500Name("CN=recipient"), pair.getPublic())
                .build(new JcaContentSignerBuilder("GOST3411withECGOST3410")
                    .setProvider("BC").build(pair.getPrivate()));
            // Parsed by the JDK: the key comes from the first provider, this one.
            X509Certificate cert = (X509Certificate) CertificateFactory.getInstance("X.509")
                .generateCertificate(new ByteArrayInputStream(holder.getEncoded()));
            PublicKey certKey = cert.getPublicKey();
            assertInstanceOf(GostPublicKey.class, certKey);

            // Bouncy Castle verifies the certificate with that key ...
            assertTrue(new JcaX509CertificateHolder(cert).isSignatureValid(
                new JcaContentVerifierProviderBuilder().setProvider("BC").build(certKey)));
            cert.verify(certKey, "BC");

            // ... and encrypts to it (key transport) and decrypts, naming "BC" throughout.
            byte[] content = new byte[3000];
            new Random(7).nextBytes(content);
            CMSEnvelopedDataGenerator gen = new CMSEnvelopedDataGenerator();
            gen.addRecipientInfoGenerator(new JceKeyTransRecipientInfoGenerator(cert).setProvider("BC"));
            CMSEnvelopedData env = gen.generate(new CMSProcessableByteArray(content),
                new JceCMSContentEncryptorBuilder(CMSAlgorithm.GOST28147_GCFB).setProvider("BC").build());
            CMSEnvelopedData read = new CMSEnvelopedData(env.getEncoded());
            RecipientInformation ri = read.getRecipientInfos().getRecipients().iterator().next();
            assertArrayEquals(content, ri.getContent(new JceKeyTransEnvelopedRecipient(pair.getPrivate())
                .setProvider("BC")));
            // The recipient's key read back through this provider opens it too.
            PrivateKey ours = java.security.KeyFactory.getInstance("ECGOST3410", VantixProvider.NAME)
                .generatePrivate(new java.security.spec.PKCS8EncodedKeySpec(pair.getPrivate().getEncoded()));
            assertArrayEquals(content, ri.getContent(new JceKeyTransEnvelopedRecipient(ours).setProvider("BC")));
        } finally {
            if (addedVantix) {
                Security.removeProvider(VantixProvider.NAME);
            }
            if (addedBc) {
                Security.removeProvider("BC");
            }
        }
    }
}
